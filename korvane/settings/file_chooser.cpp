#include "korvane/settings/file_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace korvane {

namespace {

FileChooser& chooser()
{
    static FileChooser c;
    return c;
}

QString showDialog(QWidget* parent, const QString& startPath, const QStringList& filters)
{
    QFileDialog dialog(parent, QObject::tr("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    const QFileInfo start(startPath);
    if (!startPath.isEmpty() && start.dir().exists()) {
        dialog.setDirectory(start.dir());
        if (start.exists())
            dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

}  // namespace

QStringList qtNameFilters(const QString& windowsFilter)
{
    QStringList result;
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        const QString list = patterns.join(QLatin1Char(' '));
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        result.append(list.isEmpty() ? description : description + QStringLiteral(" (") + list + QLatin1Char(')'));
    }
    return result;
}

QString chooseExistingFile(QWidget* parent, const QString& startPath, const QString& windowsFilter)
{
    const QStringList filters = qtNameFilters(windowsFilter);
    if (chooser())
        return chooser()(parent, startPath, filters);
    return showDialog(parent, startPath, filters);
}

void setFileChooser(FileChooser c) { chooser() = std::move(c); }

}  // namespace korvane
