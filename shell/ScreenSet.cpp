#include "shell/ScreenSet.h"

#include "access/CambiaPassword.h"
#include "access/Password.h"
#include "shell/Avvio.h"

ScreenSet::ScreenSet() = default;

ScreenSet::~ScreenSet()
{
    delete m_frmCambiaPassword;
    delete m_frmAvvio;
    delete m_frmPassword;
}

void ScreenSet::createScreens()
{
    m_frmPassword = new TfrmPassword();
    m_frmAvvio = new TfrmAvvio();
    m_frmCambiaPassword = new TfrmCambiaPassword();
    connectScreens();
}

void ScreenSet::connectScreens()
{
    connect(m_frmPassword, &TfrmPassword::accessGranted, this, [this] {
        showMaximisedScreen(m_frmAvvio);
        m_frmPassword->hide();
    });
    connect(m_frmPassword, &TfrmPassword::changePasswordRequested, this, [this] {
        switchScreens(m_frmPassword, m_frmCambiaPassword);
        m_frmCambiaPassword->activateWindow();
    });
    connect(m_frmCambiaPassword, &TfrmCambiaPassword::closed, m_frmPassword, &TfrmPassword::comeBack);
}

void ScreenSet::start()
{
    m_frmPassword->show();
    m_frmPassword->activateWindow();
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
