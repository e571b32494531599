#include "checks/TaxCodeAssist.h"

#include "checks/TaxCode.h"
#include "checks/TaxCodeData.h"
#include "checks/VatNumber.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/RecordEditor.h"
#include "storage/TextField.h"

#include <QEvent>

#include <algorithm>
#include <QLabel>
#include <QLineEdit>

namespace TaxCodeAssist {
namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

QLineEdit *field(QWidget *editor, const char *name)
{
    return editor->findChild<QLineEdit *>(QLatin1String(name));
}

QString text(QWidget *editor, const char *name)
{
    const QLineEdit *found = field(editor, name);
    return found != nullptr ? found->text().trimmed() : QString();
}

QString codeOn(QWidget *editor)
{
    return TextField::upperAZ(text(editor, "txtCodFiscPro"));
}

void showStatus(QWidget *editor, const QString &message)
{
    if (auto *screen = qobject_cast<ScreenKit::Screen *>(editor); screen != nullptr && screen->statusLine() != nullptr)
        screen->statusLine()->setText(message);
}

QString placeLabel(const BirthPlace &place)
{
    if (place.foreign)
        return place.shownName() + QStringLiteral(" (stato estero)");
    return place.name + QStringLiteral(" (") + place.province + u')';
}

TaxCodeScreenData screenData(QWidget *editor)
{
    return {text(editor, "txtCognome"),       text(editor, "txtNome"),        text(editor, "txtSesso"),
            text(editor, "txtDataNascPro"),   text(editor, "txtLuogoNascPro"), text(editor, "txtProvNascPro"),
            text(editor, "txtStatoNascPro")};
}

// Leaving the tax code field fills in what it can.
class FieldWatcher final : public QObject
{
public:
    FieldWatcher(QWidget *editor, bool fillsState)
        : QObject(editor)
        , m_editor(editor)
        , m_fillsState(fillsState)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut)
            fillFromCode(m_editor, m_fillsState, Clock::now().date());
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_editor;
    bool m_fillsState;
};

} // namespace

void attach(RecordEditor *editor, bool fillsState)
{
    if (auto *code = editor->control<QLineEdit>("txtCodFiscPro"))
        code->installEventFilter(new FieldWatcher(editor, fillsState));
    if (auto *button = editor->control<ScreenKit::Picture>("btnCalcolaCodFisc"))
        QObject::connect(button, &ScreenKit::Picture::clicked, editor, [editor] { computeCode(editor); });
    editor->addSaveCheck([editor] {
        QList<RecordEditor::SaveWarning> warnings;
        for (const QString &text : saveWarnings(editor, Clock::now().date()))
            warnings.append({text, field(editor, "txtCodFiscPro")});
        return warnings;
    });
}

QStringList fillFromCode(QWidget *editor, bool fillsState, QDate today)
{
    const QString code = codeOn(editor);
    if (!IsValidTaxCode(code))
        return {};
    const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, today);
    if (!decoded)
        return {};
    QStringList filled;
    const auto fill = [&](const char *name, const QString &value, const QString &what) {
        QLineEdit *target = field(editor, name);
        if (target == nullptr || value.isEmpty() || !target->text().trimmed().isEmpty())
            return;
        target->setText(value);
        filled.append(what);
    };
    fill("txtSesso", QString(decoded->sex), QStringLiteral("sesso"));
    fill("txtDataNascPro", decoded->birthDate.toString(kDateFormat), QStringLiteral("data di nascita"));
    if (decoded->place) {
        const BirthPlace &place = *decoded->place;
        fill("txtLuogoNascPro", place.shownName(), place.foreign ? QStringLiteral("luogo di nascita") : QStringLiteral("comune di nascita"));
        fill("txtProvNascPro", place.foreign ? QStringLiteral("EE") : place.province, QStringLiteral("provincia di nascita"));
        if (fillsState)
            fill("txtStatoNascPro", place.foreign ? place.shownName() : QStringLiteral("Italia"), QStringLiteral("stato di nascita"));
    }
    const QString problem = TaxCodePlaceProblem(*decoded);
    if (!filled.isEmpty())
        showStatus(editor, QStringLiteral("Compilati dal codice fiscale: ") + filled.join(QStringLiteral(", ")) + u'.'
                               + (problem.isEmpty() ? QString() : QStringLiteral(" Attenzione: ") + problem + u'.'));
    return filled;
}

void computeCode(QWidget *editor)
{
    const TaxCodeScreenData data = screenData(editor);
    const QDate birth = QDate::fromString(data.birthDate, kDateFormat);
    const QString sex = data.sex.toUpper();
    const BirthPlaces::BirthPlaceQuery query = BirthPlaces::queryFor(data.municipality, data.province, data.state);

    QStringList missing;
    const auto hasLetter = [](const QString &name) { return std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetter(); }); };
    if (!hasLetter(data.surname))
        missing.append(QStringLiteral("cognome"));
    if (!hasLetter(data.name))
        missing.append(QStringLiteral("nome"));
    if (sex != QLatin1String("M") && sex != QLatin1String("F"))
        missing.append(QStringLiteral("sesso (M o F)"));
    if (!birth.isValid())
        missing.append(QStringLiteral("data di nascita (gg/mm/aaaa)"));
    if (query.name.isEmpty())
        missing.append(QStringLiteral("comune di nascita (o stato di nascita, se estero)"));
    if (!missing.isEmpty()) {
        Dialogs::warning(QStringLiteral("Attenzione: per calcolare il codice fiscale occorre indicare ") + missing.join(QStringLiteral(", "))
                         + u'.');
        return;
    }
    if (birth > Clock::now().date()) {
        Dialogs::warning(QStringLiteral("Attenzione: la data di nascita ") + birth.toString(kDateFormat)
                         + QStringLiteral(" \u00E8 successiva a oggi: il codice fiscale non pu\u00F2 essere calcolato."));
        field(editor, "txtDataNascPro")->setFocus(Qt::OtherFocusReason);
        return;
    }

    const QList<BirthPlace> places = BirthPlaces::named(query, birth);
    if (places.isEmpty()) {
        // A place the lists know at another time: say when it was made, or ceased.
        QStringList when;
        for (const BirthPlace &place : BirthPlaces::named(query, QDate())) {
            const QString label = place.foreign ? place.shownName() : place.name + QStringLiteral(" (") + place.province + u')';
            if (place.validFrom.isValid() && birth < place.validFrom)
                when << label + QStringLiteral(" esiste dal ") + place.validFrom.toString(kDateFormat);
            else if (place.validTo.isValid() && birth >= place.validTo)
                when << label + QStringLiteral(" \u00E8 cessato il ") + place.validTo.toString(kDateFormat);
        }
        Dialogs::warning(QStringLiteral("Attenzione: il luogo di nascita \"") + query.name
                         + QStringLiteral("\" non risulta tra i comuni italiani e gli stati esteri esistenti alla data di nascita.")
                         + (when.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + when.join(QStringLiteral("; ")) + u'.'));
        const bool stateField = query.abroad && query.name == data.state;
        field(editor, stateField ? "txtStatoNascPro" : "txtLuogoNascPro")->setFocus(Qt::OtherFocusReason);
        return;
    }
    qsizetype chosen = 0;
    if (places.size() > 1) {
        QStringList labels;
        for (const BirthPlace &place : places)
            labels.append(placeLabel(place));
        chosen = Dialogs::choose(QStringLiteral("Luogo di nascita"),
                                 QStringLiteral("Pi\u00F9 comuni hanno questo nome. Scegliere il comune di nascita:"), labels);
        if (chosen < 0 || chosen >= places.size())
            return;
    }
    const BirthPlace &place = places.at(chosen);
    if (!place.foreign) {
        if (QLineEdit *province = field(editor, "txtProvNascPro"); province != nullptr && province->text().trimmed().isEmpty())
            province->setText(place.province);
    }

    const QString code = ComputeTaxCode({data.surname, data.name, sex.at(0), birth, place.code});
    QLineEdit *target = field(editor, "txtCodFiscPro");
    const QString current = codeOn(editor);
    if (current.isEmpty()) {
        target->setText(code);
        showStatus(editor, QStringLiteral("Il codice fiscale \u00E8 stato calcolato dai dati anagrafici."));
        return;
    }
    if (current == code || (IsValidTaxCode(current) && TaxCodeMismatches(current, screenData(editor), Clock::now().date()).isEmpty())) {
        showStatus(editor, QStringLiteral("Il codice fiscale corrisponde ai dati anagrafici."));
        return;
    }
    if (Dialogs::confirm(QStringLiteral("Il codice fiscale calcolato dai dati anagrafici \u00E8 ") + code
                         + QStringLiteral(", diverso da quello presente nella scheda (") + current
                         + QStringLiteral(").\r\n\r\nSostituire il codice fiscale della scheda con quello calcolato?"))) {
        target->setText(code);
        showStatus(editor, QStringLiteral("Il codice fiscale \u00E8 stato calcolato dai dati anagrafici."));
    }
}

QStringList saveWarnings(QWidget *editor, QDate today)
{
    const QString code = codeOn(editor);
    if (code.isEmpty())
        return {};
    const QString invalid = QStringLiteral("Il codice fiscale ") + code + QStringLiteral(" non \u00E8 valido: ");
    // A code of digits only is a VAT number (companies, provisional codes).
    if (std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        if (IsValidVatNumber(code))
            return {};
        return {invalid + QStringLiteral("un codice di sole cifre deve essere una partita IVA valida di 11 cifre.")};
    }
    // The structure first, then the check letter, then the date and the place.
    const TaxCodeCheck check = CheckTaxCodeText(code, today);
    if (check.fault == TaxCodeFault::Character)
        return {invalid + QStringLiteral("contiene caratteri diversi da lettere e cifre.")};
    if (check.fault != TaxCodeFault::None)
        return {invalid + TaxCodeFaultText(check)};
    const QString problem = TaxCodePlaceProblem(*DecodeTaxCode(code, today));
    if (!problem.isEmpty())
        return {invalid + problem + u'.'};
    const QList<TaxCodePart> parts = TaxCodeMismatches(code, screenData(editor), today);
    if (parts.isEmpty())
        return {};
    QStringList names;
    for (const TaxCodePart part : parts)
        names.append(TaxCodePartName(part));
    return {QStringLiteral("Il codice fiscale ") + code + QStringLiteral(" non corrisponde ai dati della scheda (")
            + names.join(QStringLiteral(", ")) + QStringLiteral(").")};
}

QString describe(const QString &code, QDate today, bool *warning)
{
    if (warning != nullptr)
        *warning = false;
    const QString upper = TextField::upperAZ(code);
    if (!IsValidTaxCode(upper))
        return {};
    const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(upper, today);
    if (!decoded)
        return {};
    const bool woman = decoded->sex == u'F';
    QString line = (woman ? QStringLiteral("Femmina, nata il ") : QStringLiteral("Maschio, nato il "))
                   + decoded->birthDate.toString(kDateFormat);
    if (!decoded->place) {
        line += QStringLiteral(": attenzione, ") + TaxCodePlaceProblem(*decoded);
        if (warning != nullptr)
            *warning = true;
    } else if (decoded->place->foreign)
        line += QStringLiteral(", stato estero: ") + decoded->place->shownName();
    else
        line += QStringLiteral(" a ") + decoded->place->name + QStringLiteral(" (") + decoded->place->province + u')';
    return line;
}

} // namespace TaxCodeAssist
