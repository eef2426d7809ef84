#include "panel/notice_board.h"

#include "forms/program.h"
#include "forms/window_placement.h"
#include "ui_notice_board.h"

#include <QCloseEvent>

MsgForm::MsgForm(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::MsgForm>())
    , m_program(program)
{
    m_ui->setupUi(this);
    Text1 = m_ui->Text1;
    Text2 = m_ui->Text2;
    setFixedSize(242, 18); // 3630 x 270 twips
    CentreOnScreen(this);
}

MsgForm::~MsgForm() = default;

void MsgForm::Form_Load()
{
    // Topmost and visible at once, where it was placed.
    show();
    raise();
}

void MsgForm::Form_Unload()
{
    m_program.AlertMode = 0;
}

void MsgForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}
