#include "core/notice_board.h"

#include "core/program.h"
#include "core/window_placement.h"

#include <QCloseEvent>

MsgForm::MsgForm(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowStaysOnTopHint)
    , m_program(program)
{
    setupUi(this);
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
