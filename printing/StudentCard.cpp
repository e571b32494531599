#include "printing/StudentCard.h"

#include "shell/FormatSettings.h"
#include "storage/TextField.h"

#include <QPageSize>

namespace StudentCard {
namespace {

// Row label, value box, and the registry fields it is made of (a second field is
// joined with one space; row 8 is made separately).
const struct {
    const char *label;
    const char *box;
    const char *first;
    const char *second;
} kRows[] = {
    {"Codice corso:", "txtCodiceCor", "txtCodiceCor", nullptr},
    {"Tipologia corso:", "txtTipologiaCor", "txtTipologiaCor", nullptr},
    {"N. iscrizione allievo:", "txtNumIsc", "txtNumIsc", nullptr},
    {"Data iscrizione:", "txtDataIsc", "txtDataIsc", nullptr},
    {"Estremi foglio rosa:", "txtFoglio", "txtFoglio", nullptr},
    {"Responsabile didattico:", "txtResponsabile", "txtResponsabile", nullptr},
    {"Data inizio corso:", "txtDataInizio", "txtDataInizio", nullptr},
    {"Data termine corso:", "txtDataTermine", "txtDataTermine", nullptr},
    {"Cognome e nome allievo:", "txtAllievo", "txtCognome", "txtNome"},
    {"Data di nascita:", "txtDataNascPro", "txtDataNascPro", nullptr},
    {"Luogo di nascita:", "txtLuogoNascPro", "txtLuogoNascPro", "txtProvNascPro"},
    {"Codice fiscale:", "txtCodFiscPro", "txtCodFiscPro", nullptr},
    {"Stato di nascita:", "txtStatoNascPro", "txtStatoNascPro", nullptr},
    {"Cittadinanza:", "txtCittadinanzaPro", "txtCittadinanzaPro", nullptr},
    {"Comune di residenza:", "txtComuneResPro", "txtComuneResPro", "txtProvResPro"},
    {"CAP:", "txtCapResPro", "txtCapResPro", nullptr},
    {"Via e numero civico:", "txtViaPro", "txtViaPro", "txtNumPro"},
    {"Tipo documento:", "txtTipoDocPro", "txtTipoDocPro", nullptr},
    {"Numero documento:", "txtNumDocPro", "txtNumDocPro", nullptr},
    {"Ente di rilascio:", "txtEnteRilPro", "txtEnteRilPro", nullptr},
    {"Data di rilascio:", "txtDataRilPro", "txtDataRilPro", nullptr},
    {"Data di scadenza:", "txtDataScaPro", "txtDataScaPro", nullptr},
    {"Tel. casa:", "txtTelCasa", "txtTelCasa", nullptr},
    {"Tel. ufficio:", "txtTelUff", "txtTelUff", nullptr},
    {"Tel. cellulare:", "txtTelCel", "txtTelCel", nullptr},
    {"Tel. preferenziale:", "txtPreferenziale", "txtPreferenziale", nullptr},
    {"Indirizzo e-mail:", "txtEmail", "txtEmail", nullptr},
    {"Categoria patente:", "txtCatPat", "txtCatPat", nullptr},
    {"Numero patente:", "txtNumPat", "txtNumPat", nullptr},
    {"Data di rilascio:", "txtRilPat", "txtRilPat", nullptr},
    {"Data di scadenza:", "txtScaPat", "txtScaPat", nullptr},
    {"Prescrizioni tecniche:", "txtPrescrizioni", "txtPrescrizioni", nullptr},
    {"Data esame di teoria:", "txtDataTeo", "txtDataTeo", nullptr},
    {"Esito esame di teoria:", "txtEsitoTeo", "txtEsitoTeo", nullptr},
    {"Data esame di guida:", "txtDataGuida", "txtDataGuida", nullptr},
    {"Esito esame di guida:", "txtEsitoGuida", "txtEsitoGuida", nullptr},
    {"Note:", "txtNote", "txtNote", nullptr},
};

constexpr double kMargin = 10;

Report::TextBox cardBox(const QString &name, QRectF mm, double points, Qt::Alignment alignment, const QString &text = {})
{
    Report::TextBox box;
    box.name = name;
    box.mm = mm.translated(kMargin, kMargin); // positions are given inside the margins
    box.points = points;
    box.alignment = alignment;
    box.text = text;
    return box;
}

} // namespace

Report::Document create()
{
    Report::Document card(QStringLiteral("Scheda Allievo"),
                          QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(kMargin, kMargin, kMargin, kMargin),
                                      QPageLayout::Millimeter));
    Report::Page page;
    const auto at = [](double x, double y, double w, double h) { return QRectF(x + kMargin, y + kMargin, w, h); };
    page.rectangles.push_back({at(1.00, 1.00, 188.00, 5.80), QColor::fromRgba(0xFFB0C4DE), true});
    page.boxes.push_back(cardBox(QStringLiteral("titArcataSup"), {2.00, 2.00, 185.80, 4.20}, 9, Qt::AlignHCenter | Qt::AlignTop,
                                 QStringLiteral("SCHEDA ANAGRAFICA ALLIEVO")));
    for (int k = 0; k < static_cast<int>(std::size(kRows)); ++k) {
        page.rectangles.push_back({at(1.00, 7.00 + 5.00 * k, 188.00, 4.60), QColor(), true});
        page.boxes.push_back(cardBox(QStringLiteral("lblRiga%1").arg(k, 2, 10, QLatin1Char('0')), {2.00, 7.50 + 5.00 * k, 37.80, 3.50}, 7,
                                     Qt::AlignLeft | Qt::AlignTop, QString::fromUtf8(kRows[k].label)));
        page.boxes.push_back(cardBox(QLatin1String(kRows[k].box), {44.00, 7.50 + 5.00 * k, 144.00, 3.50}, 7, Qt::AlignLeft | Qt::AlignTop));
    }
    page.lines.push_back({QPointF(42.00 + kMargin, 7.00 + kMargin), QPointF(42.00 + kMargin, 191.60 + kMargin)});
    page.rectangles.push_back({at(1.00, 193.00, 188.00, 5.80), QColor::fromRgba(0xFFFFD700), true});
    page.boxes.push_back(cardBox(QStringLiteral("txtCalce"), {2.00, 194.00, 185.80, 4.20}, 8, Qt::AlignHCenter | Qt::AlignTop));
    card.pages().push_back(std::move(page));
    return card;
}

void fill(Report::Document &card, const std::function<QString(const char *)> &text, const QDateTime &now)
{
    const auto trimmed = [&](const char *field) { return TextField::trimmedString(text(field)); };
    for (const auto &row : kRows) {
        QString value = trimmed(row.first);
        if (row.second != nullptr)
            value += QLatin1Char(' ') + trimmed(row.second);
        if (qstrcmp(row.box, "txtAllievo") == 0)
            value += QStringLiteral("   -   Sesso: ") + trimmed("txtSesso");
        card.setText(QLatin1String(row.box), value);
    }
    card.setText(QStringLiteral("txtCalce"), QStringLiteral("Stampa eseguita in data ") + FormatSettings::formatDate(now.date())
                                                 + QStringLiteral(" alle ore ") + now.time().toString(QStringLiteral("HH:mm:ss")));
}

} // namespace StudentCard
