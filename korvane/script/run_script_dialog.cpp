#include "korvane/script/run_script_dialog.h"

#include "korvane/help/help_topic.h"
#include "korvane/script/script_editor.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

RunScriptDialog::RunScriptDialog(CScriptHost* host, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Run Script Function"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Function"), this);
    list_ = new QListWidget(this);
    list_->setSortingEnabled(true);
    label->setBuddy(list_);
    layout->addWidget(label);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    run_ = buttons->addButton(QStringLiteral("&Run"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    run_->setDefault(true);
    run_->setEnabled(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &RunScriptDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemSelectionChanged, this, &RunScriptDialog::selectionChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        if (run_->isEnabled())
            accept();
    });

    if (host) {
        QStringList names;
        host->ListUserFunctions(names);
        list_->addItems(names);
    }
}

void RunScriptDialog::selectionChanged() {
    const QListWidgetItem* item = list_->currentItem();
    const QString text = item && item->isSelected() ? item->text() : QString();
    run_->setEnabled(!text.isEmpty());
}

void RunScriptDialog::accept() {
    const QListWidgetItem* item = list_->currentItem();
    if (!run_->isEnabled() || !item)
        return;  // Enter on an empty entry runs nothing
    selected_ = item->text();
    QDialog::accept();
}

void RunScriptDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        showHelpTopic(QString::fromLatin1(kHelpTopic));
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ScriptCommands::edit(const QString& scriptFile, QString* error) {
    if (scriptFile.isEmpty())
        return false;
    return launchScriptEditor(scriptFile, error);
}

void ScriptCommands::run(CScriptHost* host, bool scriptsEnabled, QWidget* parent) {
    if (!host || !scriptsEnabled)
        return;
    RunScriptDialog dialog(host, parent);
    if (dialog.exec() == QDialog::Accepted)
        host->RunUserFunction(dialog.selectedFunction());
}

}  // namespace korvane
