#pragma once

#include "storage/RecordLayout.h"

#include <QString>

// The three record layouts. Each list gives the fields in record order with their
// maximum lengths; offsets and the record size follow from them.

#define VOLANTIX_TT2112_FIELDS(TEXT, YESNO) \
    TEXT(txtCodice, 30)                      \
    TEXT(txtUfficio, 50)                     \
    TEXT(txtCognome, 50)                     \
    TEXT(txtNome, 50)                        \
    TEXT(txtSesso, 1)                        \
    TEXT(txtDataNascPro, 10)                 \
    TEXT(txtLuogoNascPro, 50)                \
    TEXT(txtProvNascPro, 2)                  \
    TEXT(txtCodFiscPro, 16)                  \
    TEXT(txtStatoNascPro, 30)                \
    TEXT(txtComuneResPro, 50)                \
    TEXT(txtProvResPro, 2)                   \
    TEXT(txtCapResPro, 5)                    \
    TEXT(txtViaPro, 120)                     \
    TEXT(txtNumPro, 10)                      \
    TEXT(txtCittadinanzaPro, 50)             \
    TEXT(txtPreGuida, 250)                   \
    TEXT(txtPrescrizioni, 10)                \
    TEXT(txtConsegui, 2)                     \
    TEXT(txtPossedutaCon, 2)                 \
    TEXT(txtDuplica, 2)                      \
    TEXT(txtPossedutaDup, 2)                 \
    TEXT(txtRiclassifica, 2)                 \
    TEXT(txtPossedutaRic, 2)                 \
    TEXT(txtEstremiPat, 250)                 \
    TEXT(txtTarga, 12)                       \
    TEXT(txtPotenza, 12)                     \
    TEXT(txtCambio, 30)                      \
    TEXT(txtCilindrata, 12)                  \
    TEXT(txtData, 10)                        \
    TEXT(txtNote, 250)                       \
    YESNO(chkTariffa01)                      \
    YESNO(chkTariffa02)                      \
    YESNO(chkConseguimento)                  \
    YESNO(chkDuplicato)                      \
    YESNO(chkRiclassificazione)              \
    TEXT(lblFile01, 250)                     \
    TEXT(lblFile02, 250)                     \
    TEXT(lblFile03, 250)                     \
    TEXT(lblDesc01, 250)                     \
    TEXT(lblDesc02, 250)                     \
    TEXT(lblDesc03, 250)

#define VOLANTIX_STUDENT_FIELDS(TEXT, YESNO) \
    TEXT(txtCodiceCor, 30)                    \
    TEXT(txtTipologiaCor, 50)                 \
    TEXT(txtNumIsc, 30)                       \
    TEXT(txtDataIsc, 10)                      \
    TEXT(txtFoglio, 50)                       \
    TEXT(txtResponsabile, 50)                 \
    TEXT(txtDataInizio, 10)                   \
    TEXT(txtDataTermine, 10)                  \
    TEXT(txtCognome, 50)                      \
    TEXT(txtNome, 50)                         \
    TEXT(txtSesso, 1)                         \
    TEXT(txtDataNascPro, 10)                  \
    TEXT(txtLuogoNascPro, 50)                 \
    TEXT(txtProvNascPro, 2)                   \
    TEXT(txtCodFiscPro, 16)                   \
    TEXT(txtStatoNascPro, 30)                 \
    TEXT(txtComuneResPro, 50)                 \
    TEXT(txtProvResPro, 2)                    \
    TEXT(txtCapResPro, 5)                     \
    TEXT(txtViaPro, 120)                      \
    TEXT(txtNumPro, 10)                       \
    TEXT(txtCittadinanzaPro, 50)              \
    TEXT(txtTipoDocPro, 50)                   \
    TEXT(txtNumDocPro, 30)                    \
    TEXT(txtEnteRilPro, 50)                   \
    TEXT(txtDataRilPro, 10)                   \
    TEXT(txtDataScaPro, 10)                   \
    TEXT(txtTelCasa, 30)                      \
    TEXT(txtTelUff, 30)                       \
    TEXT(txtTelCel, 30)                       \
    TEXT(txtPreferenziale, 30)                \
    TEXT(txtEmail, 50)                        \
    TEXT(txtCatPat, 30)                       \
    TEXT(txtNumPat, 50)                       \
    TEXT(txtRilPat, 10)                       \
    TEXT(txtScaPat, 10)                       \
    TEXT(txtPrescrizioni, 10)                 \
    TEXT(txtDataTeo, 10)                      \
    TEXT(txtEsitoTeo, 120)                    \
    TEXT(txtDataGuida, 10)                    \
    TEXT(txtEsitoGuida, 120)                  \
    TEXT(txtNote, 250)                        \
    YESNO(chkRicontatta)                      \
    TEXT(lblFile01, 250)                      \
    TEXT(lblFile02, 250)                      \
    TEXT(lblFile03, 250)                      \
    TEXT(lblDesc01, 250)                      \
    TEXT(lblDesc02, 250)                      \
    TEXT(lblDesc03, 250)

#define VOLANTIX_LESSON_FIELDS(TEXT, YESNO) \
    TEXT(txtData, 10)                        \
    TEXT(txtDurata, 14)                      \
    TEXT(txtOraInizio, 5)                    \
    TEXT(txtOraFine, 5)                      \
    TEXT(txtVeicolo, 26)                     \
    TEXT(txtTarga, 10)                       \
    TEXT(txtIstruttore, 26)                  \
    TEXT(txtModulo, 30)

#define VOLANTIX_FIELD_ENUM_TEXT(name, length) name,
#define VOLANTIX_FIELD_ENUM_YESNO(name) name,

// Field indices, named after the screen controls that show them.
namespace TT2112Record {
enum Field : int { VOLANTIX_TT2112_FIELDS(VOLANTIX_FIELD_ENUM_TEXT, VOLANTIX_FIELD_ENUM_YESNO) FieldCount };
inline constexpr int Size = 2926;
const RecordLayout &layout();
inline constexpr const char *FileName = "Modelli_TT2112.pro";
} // namespace TT2112Record

namespace StudentRecord {
enum Field : int { VOLANTIX_STUDENT_FIELDS(VOLANTIX_FIELD_ENUM_TEXT, VOLANTIX_FIELD_ENUM_YESNO) FieldCount };
inline constexpr int Size = 3177;
const RecordLayout &layout();
inline constexpr const char *FileName = "Allievi.pro";
} // namespace StudentRecord

namespace LessonRecord {
enum Field : int { VOLANTIX_LESSON_FIELDS(VOLANTIX_FIELD_ENUM_TEXT, VOLANTIX_FIELD_ENUM_YESNO) FieldCount };
inline constexpr int Size = 134;
const RecordLayout &layout();
// "Lezioni_Guida_Allievo_" + the student's position (trimmed text) + ".lez"
QString fileName(QStringView studentPosition);
} // namespace LessonRecord

#undef VOLANTIX_FIELD_ENUM_TEXT
#undef VOLANTIX_FIELD_ENUM_YESNO
