#include "mediafolder.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace mediafolder {

namespace {

QString caseless(const QString& pattern)
{
    if (pattern.contains(QLatin1Char('[')))
        return pattern;
    QString out;
    for (const QChar c : pattern) {
        if (c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

// The comparison the file system model sorts its names with.
const QCollator& listCollator()
{
    thread_local QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

QStringList nameFilters(const QString& mask)
{
    QStringList filters;
    for (const QString& pattern : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty())
            filters << caseless(trimmed);
    }
    return filters;
}

bool matches(const QString& fileName, const QString& mask)
{
    const QStringList filters = nameFilters(mask);
    return filters.isEmpty() || QDir::match(filters, fileName);
}

bool lessInListOrder(const QString& left, const QString& right)
{
    const int order = listCollator().compare(left, right);
    return order != 0 ? order < 0 : left < right;
}

QStringList filesIn(const QString& folder, const QString& mask)
{
    const QDir dir(folder);
    QStringList names = dir.entryList(nameFilters(mask), QDir::Files | QDir::Hidden, QDir::NoSort);
    std::sort(names.begin(), names.end(), lessInListOrder);
    QStringList paths;
    for (const QString& name : names)
        paths << dir.absoluteFilePath(name);
    return paths;
}

QString nextFile(const QString& file, const QString& mask)
{
    const QFileInfo info(file);
    for (const QString& path : filesIn(info.absolutePath(), mask))
        if (lessInListOrder(info.fileName(), QFileInfo(path).fileName()))
            return path;
    return {};
}

QString previousFile(const QString& file, const QString& mask)
{
    const QFileInfo info(file);
    const QStringList files = filesIn(info.absolutePath(), mask);
    for (auto it = files.crbegin(); it != files.crend(); ++it)
        if (lessInListOrder(QFileInfo(*it).fileName(), info.fileName()))
            return *it;
    return {};
}

} // namespace mediafolder
