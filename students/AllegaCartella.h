#pragma once

#include "shell/ScreenKit.h"

#include <QStringList>

class QLineEdit;
class QPushButton;

// Up to three files attached to the record on the calling editor, each copied into
// the attachments folder and referred to by its bare name.
class TfrmAllegaCartella final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmAllegaCartella)

public:
    explicit TfrmAllegaCartella(QWidget *parent = nullptr);

    // Fills the slots from the caller's six hidden labels (lblFile01 ... lblDesc03).
    void fillFrom(const QWidget &caller);

    // Annulla, or the window closed: the files copied in during this visit that
    // no saved record links are removed again.
    void reject() override;

public slots:
    void btnSfogliaClick(int slot);
    void btnApriClick(int slot);
    void imgCancellaClick(int slot);
    void btnApplicaClick();
    void btnAnnullaClick();

private:
    QLineEdit *fileField(int slot) const;
    QLineEdit *descField(int slot) const;
    QPushButton *openButton(int slot) const;

    QStringList m_copiedIn; // the files this visit put into the folder under new names
};
