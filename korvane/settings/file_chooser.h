#pragma once
// The file-open dialog behind the pages' browse buttons. Filters are given in
// the "Description|*.a;*.b||" form the program has always used and become Qt
// name filters. Tests replace the dialog with a function of their own.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace korvane {

// "Script Files (*.vbs,*.js)|*.vbs;*.js||" -> {"Script Files (*.vbs *.js)"}:
// Qt reads the patterns from the parentheses, separated by blanks.
QStringList qtNameFilters(const QString& windowsFilter);

// Shows the dialog; returns the chosen full path, or an empty text on Cancel.
// Only an existing file in an existing folder can be chosen.
using FileChooser = std::function<QString(QWidget* parent, const QString& startPath,
                                          const QStringList& nameFilters)>;
QString chooseExistingFile(QWidget* parent, const QString& startPath, const QString& windowsFilter);
// Replaces the dialog (an empty function restores it).
void setFileChooser(FileChooser chooser);

}  // namespace korvane
