#pragma once

#include "forms/form.h"

#include <QWidget>
#include <memory>

class Program;
class QCheckBox;
class QLineEdit;

namespace Ui {
class SetForm;
}

// The preferences dialog. Its controls are where the running program keeps
// three preferences: the hang-up box Check1, the interval text Text2 and the
// auto-close box Check2; other windows read them there. It loads them from
// the preferences file when created and writes them back when closed. It has
// no OK or Cancel: the close box closes it, and closing always saves.
class SetForm final : public QWidget, public Form
{
    Q_OBJECT
public:
    explicit SetForm(Program& program);
    ~SetForm() override;

    void Form_Load() override;
    void Form_Unload() override;
    /// Writes the three preferences to the preferences file, as closing does.
    void storeSettings();
    /// Only an open dialog holds the user's edits; a hidden one holds what
    /// it read from the file.
    void storeBeforeProgramEnds() override;

    // Runs on every change of Text2's text, typed or set by the program.
    void Text2_Change();
    /// Sets Text2 to `text` and passes the interval on to the main panel,
    /// also when the box holds that text already: a newly loaded panel must
    /// get the interval from a dialog that outlived the panel before it.
    void setInterval(const QString& text);
    void Command1_Click();
    void Command2_Click();

    QCheckBox* Check1; // hang up the dial-up connection after each check
    QCheckBox* Check2; // the notice board closes itself after one second
    QLineEdit* Text2;  // minutes between automatic checks, as typed

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::SetForm> m_ui;
    Program& m_program;
    bool m_changing = false; // Text2_Change is running (it may nest)
};
