#include "core/main_panel.h"

#include "core/form_timer.h"
#include "core/program.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/set_form.h"
#include "settings/setting_flags.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPixmap>

namespace {
const QString kNotSet = QStringLiteral("未設定");
} // namespace

MainForm::MainForm(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , Timer1(new FormTimer(100, this))
    , Timer2(new FormTimer(100, this))
    , Timer3(new FormTimer(0, this))
    , Timer4(new FormTimer(20, this))
    , Timer5(new FormTimer(1000, this))
    , m_program(program)
{
    setupUi(this);
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(QIcon(QStringLiteral(":/panel/icon.png")));
    Picture5->setPixmap(QPixmap(QStringLiteral(":/panel/picture5.png")));
    setFixedSize(185, 116); // 2775 x 1740 twips
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x00, 0x40, 0x00));
    setPalette(colours);
    // The name display's font, with a free fallback of the same design.
    QFont nameFont = Label1->font();
    nameFont.setFamilies(
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"), QStringLiteral("sans-serif")});
    nameFont.setPointSizeF(11.25);
    nameFont.setBold(true);
    Label1->setFont(nameFont);
    // Windowless labels lie beneath the buttons and boxes that overlap them.
    for (QWidget* label : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(Label2),
                           static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label1)})
        label->lower();

    m_program.connectHandler(Command2, &QPushButton::clicked, this, &MainForm::Command2_Click);
    m_program.connectHandler(Command3, &QPushButton::clicked, this, &MainForm::Command3_Click);
    m_program.connectHandler(Command5, &QPushButton::clicked, this, &MainForm::Command5_Click);
    m_program.connectHandler(Command9, &QPushButton::clicked, this, &MainForm::Command9_Click);
    m_program.connectHandler(Command15, &QPushButton::clicked, this, &MainForm::Command15_Click);
    m_program.connectHandler(Command16, &QPushButton::clicked, this, &MainForm::Command16_Click);
    m_program.connectHandler(Timer1, &QTimer::timeout, this, &MainForm::Timer1_Timer);
    m_program.connectHandler(Timer2, &QTimer::timeout, this, &MainForm::Timer2_Timer);
    m_program.connectHandler(Timer3, &QTimer::timeout, this, &MainForm::Timer3_Timer);
    m_program.connectHandler(Timer5, &QTimer::timeout, this, &MainForm::Timer5_Timer);
}

MainForm::~MainForm() = default;

void MainForm::Form_Load()
{
    const QString preferences = m_program.preferencesFile();
    ApplySettingFlag(ReadSettingInt(preferences, QStringLiteral("NUMBER")),
                     [this] { return m_program.setForm()->Check1; });

    ImportMailerSettings(m_program.currentDirectory(), m_program.Mailer);

    NMail& mail = m_program.mail();
    mail.NMailInitializeWinSock();
    mail.NMailSetOption(1, 8192);

    if (m_program.Mailer.PopServer.isEmpty())
        Program::showForm(m_program.optionForm());

    IdPassForm* account = m_program.idPassForm();
    if (account->IdText->text().isEmpty() || account->PassText->text().isEmpty())
        Program::showForm(account);

    m_program.stopAndCloseAlertTune();

    const int interval = ReadSettingInt(preferences, QStringLiteral("NUMBER2"));
    m_program.setForm()->Text2->setText(QString::number(interval));

    QString mailer = ReadSettingText(preferences, QStringLiteral("NAME"), kNotSet);
    Text7->setText(mailer.isEmpty() ? kNotSet : mailer);

    ApplySettingFlag(ReadSettingInt(preferences, QStringLiteral("NUMBER3")), [this] { return Check2; });
}

void MainForm::Form_Unload()
{
    m_program.stopAndCloseAlertTune();
    Timer2->setEnabled(false);
    storeSettings();
    m_program.mail().NMailEndWinSock();
}

void MainForm::storeSettings()
{
    const QString preferences = m_program.preferencesFile();
    WriteSettingText(preferences, QStringLiteral("NAME"), Text7->text());
    WriteSettingText(preferences, QStringLiteral("NUMBER3"), SettingFlagText(Check2));
}

void MainForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}
