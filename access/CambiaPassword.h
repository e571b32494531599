#pragma once

#include "shell/ScreenKit.h"

class QLineEdit;
class QPushButton;

// Replaces the access password; reached from the login before the user has logged in.
class TfrmCambiaPassword final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCambiaPassword)

public:
    explicit TfrmCambiaPassword(QWidget *parent = nullptr);

signals:
    // The screen was closed, in any way: the login comes back.
    void closed();

public slots:
    void cmdOKClick();
    void cmdEsciClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fieldsChange();

    QLineEdit *txtPasswordOld = nullptr;
    QLineEdit *txtPasswordNew = nullptr;
    QLineEdit *txtConferma = nullptr;
    QPushButton *cmdOK = nullptr;
};
