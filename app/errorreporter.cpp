#include "errorreporter.h"

#include "norravaapplication.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon iconOf(ErrorReporter::Kind kind)
{
    switch (kind) {
    case ErrorReporter::Kind::Error: return QMessageBox::Critical;
    case ErrorReporter::Kind::Refusal: return QMessageBox::NoIcon;
    case ErrorReporter::Kind::Notice: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void ErrorReporter::show(Kind kind, const QString& text, QWidget* parent)
{
    makeBox(kind, text, parent)->exec();
}

std::unique_ptr<QMessageBox> ErrorReporter::makeBox(Kind kind, const QString& text, QWidget* parent)
{
    return std::make_unique<QMessageBox>(iconOf(kind), NorravaApplication::Title, text, QMessageBox::Ok, parent);
}
