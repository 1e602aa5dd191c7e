#include "errorreport.h"

#include <QGuiApplication>
#include <QMessageBox>

void ReportException(const std::exception& error, QWidget* parent)
{
    QString text = QString::fromUtf8(error.what());
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}
