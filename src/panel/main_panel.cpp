#include "panel/main_panel.h"

#include "forms/form_timer.h"
#include "forms/program.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/set_form.h"
#include "settings/setting_flags.h"
#include "settings/setting_keys.h"
#include "settings/settings_files.h"
#include "ui_main_panel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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
    , m_ui(std::make_unique<Ui::MainForm>())
    , m_program(program)
{
    m_ui->setupUi(this);
    Check1 = m_ui->Check1;
    Check2 = m_ui->Check2;
    Check3 = m_ui->Check3;
    Image1 = m_ui->Image1;
    Label1 = m_ui->Label1;
    Label4 = m_ui->Label4;
    Text1 = m_ui->Text1;
    Text4 = m_ui->Text4;
    Text5 = m_ui->Text5;
    Text7 = m_ui->Text7;
    Text8 = m_ui->Text8;
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(QIcon(QStringLiteral(":/panel/icon.png")));
    m_ui->Picture5->setPixmap(QPixmap(QStringLiteral(":/panel/picture5.png")));
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
    for (QWidget* label : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(m_ui->Label2),
                           static_cast<QWidget*>(m_ui->Label3), static_cast<QWidget*>(Label1)})
        label->lower();

    mnuPopup = new QMenu(QStringLiteral("popup"), this);
    mnu_Popup = {mnuPopup->addAction(QStringLiteral("メイン画面を表示")), mnuPopup->addSeparator(),
                 mnuPopup->addAction(QStringLiteral("終了"))};
    for (int index : {0, 2})
        m_program.connectHandler(mnu_Popup[index], &QAction::triggered, this, &MainForm::mnu_Popup_Click,
                                 index);
    if (Tray* tray = m_program.services().tray.get()) {
        m_program.connectHandler(tray, &Tray::notification, this, &MainForm::TrayControl1_Notification);
        tray->setMenu(mnuPopup);
    }

    // The name display moves only while it can be seen; the panel starts hidden.
    Timer4->setPaused(true);
    m_program.connectHandler(Text7, &QLineEdit::textChanged, this, &MainForm::Text7_Change);

    m_program.connectHandler(m_ui->Command1, &QPushButton::clicked, this, &MainForm::Command1_Click);
    m_program.connectHandler(m_ui->Command2, &QPushButton::clicked, this, &MainForm::Command2_Click);
    m_program.connectHandler(m_ui->Command3, &QPushButton::clicked, this, &MainForm::Command3_Click);
    m_program.connectHandler(m_ui->Command4, &QPushButton::clicked, this, &MainForm::Command4_Click);
    m_program.connectHandler(m_ui->Command5, &QPushButton::clicked, this, &MainForm::Command5_Click);
    m_program.connectHandler(m_ui->Command7, &QPushButton::clicked, this, &MainForm::Command7_Click);
    m_program.connectHandler(m_ui->Command9, &QPushButton::clicked, this, &MainForm::Command9_Click);
    m_program.connectHandler(m_ui->Command10, &QPushButton::clicked, this, &MainForm::Command10_Click);
    m_program.connectHandler(m_ui->Command14, &QPushButton::clicked, this, &MainForm::Command14_Click);
    m_program.connectHandler(m_ui->Command15, &QPushButton::clicked, this, &MainForm::Command15_Click);
    m_program.connectHandler(m_ui->Command16, &QPushButton::clicked, this, &MainForm::Command16_Click);
    m_program.connectHandler(Timer1, &QTimer::timeout, this, &MainForm::Timer1_Timer);
    m_program.connectHandler(Timer2, &QTimer::timeout, this, &MainForm::Timer2_Timer);
    m_program.connectHandler(Timer3, &QTimer::timeout, this, &MainForm::Timer3_Timer);
    m_program.connectHandler(Timer4, &QTimer::timeout, this, &MainForm::Timer4_Timer);
    m_program.connectHandler(Timer5, &QTimer::timeout, this, &MainForm::Timer5_Timer);
}

MainForm::~MainForm() = default;

void MainForm::Form_Load()
{
    m_program.startUp();
    m_program.stopAndCloseAlertTune();

    const QString preferences = PreferencesFile(m_program.programFolder());
    const int interval = ReadSettingInt(preferences, SettingKey::CheckIntervalMinutes);
    m_program.setForm()->setInterval(QString::number(interval));

    QString mailer = ReadSettingText(preferences, SettingKey::MailerPath, kNotSet);
    Text7->setText(mailer.isEmpty() ? kNotSet : mailer);

    ApplySettingFlag(ReadSettingInt(preferences, SettingKey::LaunchMailerOnNewMail), [this] { return Check2; });
}

void MainForm::Form_Unload()
{
    m_program.stopAndCloseAlertTune();
    Timer2->setEnabled(false);
    storeSettings();
    m_program.mail().NMailEndWinSock();
    // The tray icon answers to this panel only: it goes with it.
    if (Tray* tray = m_program.services().tray.get())
        tray->hide();
}

void MainForm::storeSettings()
{
    const QString preferences = PreferencesFile(m_program.programFolder());
    WriteSettingText(preferences, SettingKey::MailerPath, Text7->text());
    WriteSettingText(preferences, SettingKey::LaunchMailerOnNewMail, SettingFlagText(Check2));
}

void MainForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}

void MainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Timer4->setPaused(false);
}

void MainForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    Timer4->setPaused(true);
}
