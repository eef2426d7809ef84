#include "settings/set_form.h"

#include "base/text_value.h"
#include "forms/form_timer.h"
#include "forms/program.h"
#include "panel/main_panel.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/setting_flags.h"
#include "settings/setting_keys.h"
#include "settings/settings_files.h"
#include "ui_set_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

SetForm::SetForm(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_ui(std::make_unique<Ui::SetForm>())
    , m_program(program)
{
    m_ui->setupUi(this);
    Check1 = m_ui->Check1;
    Check2 = m_ui->Check2;
    Text2 = m_ui->Text2;
    Check2->setFocus(); // the first control in keyboard order
    m_program.connectHandler(Text2, &QLineEdit::textChanged, this, &SetForm::Text2_Change);
    m_program.connectHandler(m_ui->Command1, &QPushButton::clicked, this, &SetForm::Command1_Click);
    m_program.connectHandler(m_ui->Command2, &QPushButton::clicked, this, &SetForm::Command2_Click);
    // Placed the first time it is shown; later showings keep wherever the
    // user has put it.
    m_program.placeDialog(this);
}

SetForm::~SetForm() = default;

void SetForm::Form_Load()
{
    const QString preferences = PreferencesFile(m_program.programFolder());
    ApplySettingFlag(ReadSettingInt(preferences, SettingKey::HangUpAfterCheck), [this] { return Check1; });
    // Text2 starts empty, so this always changes it and runs Text2_Change,
    // which passes the interval on to the main panel.
    Text2->setText(QString::number(ReadSettingInt(preferences, SettingKey::CheckIntervalMinutes)));
    ApplySettingFlag(ReadSettingInt(preferences, SettingKey::AutoCloseNotice), [this] { return Check2; });
}

void SetForm::Form_Unload()
{
    storeSettings();
}

void SetForm::storeSettings()
{
    const QString preferences = PreferencesFile(m_program.programFolder());
    WriteSettingText(preferences, SettingKey::HangUpAfterCheck, SettingFlagText(Check1));
    WriteSettingText(preferences, SettingKey::CheckIntervalMinutes, Text2->text());
    WriteSettingText(preferences, SettingKey::AutoCloseNotice, SettingFlagText(Check2));
}

void SetForm::storeBeforeProgramEnds()
{
    if (isVisible())
        storeSettings();
}

void SetForm::setInterval(const QString& text)
{
    if (Text2->text() != text)
        Text2->setText(text);
    else if (!m_changing)
        Text2_Change();
    // While the change handling runs (the start-up chain creates the panel
    // from inside it), that run passes the interval on when the panel's load
    // returns to it.
}

void SetForm::Text2_Change()
{
    const QScopedValueRollback changing(m_changing, true);
    // An emptied box becomes "0"; that change runs this handler once more,
    // nested, and this run then goes on with the "0".
    if (Text2->text().isEmpty())
        Text2->setText(QStringLiteral("0"));

    const double minutes = ValueOfText(Text2->text());
    if (!(minutes >= 0))
        return; // a negative interval leaves everything as it was

    // Reaching the panel may create and load it, and its load sets Text2
    // again, so the text is read only after the panel is there.
    MainForm* panel = m_program.mainForm();
    const bool on = minutes > 0;
    panel->Label4->setText(on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    panel->Check3->setChecked(on);
    panel->Text5->setText(Text2->text());
    panel->Timer3->setInterval(on ? 1000 : 0);
    // An interval of 0 is saved at once, so it holds even if the program is
    // ended before this dialog is closed.
    if (!on)
        WriteSettingText(PreferencesFile(m_program.programFolder()), SettingKey::CheckIntervalMinutes,
                         Text2->text());
}

void SetForm::Command1_Click()
{
    Program::showForm(m_program.idPassForm());
}

void SetForm::Command2_Click()
{
    Program::showForm(m_program.optionForm());
}

void SetForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}

SetForm* Program::setForm()
{
    return reach<SetForm>(m_setForm);
}

SetForm* Program::loadedSetForm() const
{
    return static_cast<SetForm*>(m_setForm.data());
}
