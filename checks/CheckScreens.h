#pragma once

#include "shell/ScreenKit.h"

class QLineEdit;

// The tax code and VAT number checks: a field, Controlla, one verdict, closed.
class TfrmCodFisc final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCodFisc)

public:
    explicit TfrmCodFisc(QWidget *parent = nullptr);
    void setCode(const QString &code);

public slots:
    void btnControllaClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *txtCodFisc = nullptr;
};

class TfrmPartitaIva final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmPartitaIva)

public:
    explicit TfrmPartitaIva(QWidget *parent = nullptr);
    void setNumber(const QString &number);

public slots:
    void btnControllaClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *txtPartitaIva = nullptr;
};

// What the tax code button beside an editor's field opens for its text: nothing
// (an empty tax code check), the VAT number check for digits only, or the tax
// code check.
enum class CheckFor { EmptyTaxCode, VatNumber, TaxCode };
CheckFor checkFor(const QString &fieldText);
void openCheckFor(QWidget *editor, const QString &fieldText);
