#include "shell/ScreenSet.h"

#include "shell/Avvio.h"

ScreenSet::ScreenSet() = default;

ScreenSet::~ScreenSet()
{
    delete m_frmAvvio;
}

void ScreenSet::createScreens()
{
    m_frmAvvio = new TfrmAvvio();
}

void ScreenSet::start()
{
    showMaximisedScreen(m_frmAvvio);
}

void ScreenSet::switchScreens(QWidget *from, QWidget *to)
{
    to->show();
    from->hide();
}

void ScreenSet::showMaximisedScreen(QWidget *screen)
{
    screen->showMaximized();
    screen->raise();
    screen->activateWindow();
}
