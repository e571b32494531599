#pragma once

#include <QDate>
#include <QStringList>

class QWidget;
class RecordEditor;

// What the tax code does for an editor's personal data: leaving the field with a
// valid code fills the empty fields among sex, birth date and birth place; the
// button beside it computes the code from the personal data; saving a code that
// is not valid or belongs to someone else is warned of first. The editor's fields keep the names of the
// record's: txtCodFiscPro, txtCognome, txtNome, txtSesso, txtDataNascPro,
// txtLuogoNascPro, txtProvNascPro and, where the screen has it, txtStatoNascPro;
// the button is btnCalcolaCodFisc.
namespace TaxCodeAssist {

// Connects the field, the button and the save of `editor`. `fillsState`: leaving
// the field fills the state of birth too.
void attach(RecordEditor *editor, bool fillsState);

// Fills the empty fields of `editor` from the code in its tax code field, when
// valid; the names of the fields filled, in screen order (empty: nothing to
// fill). The status line names them.
QStringList fillFromCode(QWidget *editor, bool fillsState, QDate today);

// Computes the code from the personal data on `editor` into its tax code field,
// asking which place is meant when several share the name, and before replacing
// a different code. Says why when it cannot.
void computeCode(QWidget *editor);

// Before saving: what looks wrong with the code on `editor`, one sentence each
// (the editor lists them in its question before saving). Nothing for an empty
// code, a valid one that matches the person, or a valid VAT number.
QStringList saveWarnings(QWidget *editor, QDate today);

// The decoded data of a valid code as one line ("Maschio, nato il 01/01/1980 a
// Roma (RM)"), or an empty text. When the birth place did not exist on the birth
// date, or the code's place is in no list, the line says so and `warning` (when
// given) is set: the check screen shows it as a warning, not as a valid code.
QString describe(const QString &code, QDate today, bool *warning = nullptr);

} // namespace TaxCodeAssist
