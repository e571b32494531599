#include "printing/TT2112Document.h"

#include "storage/TextField.h"

#include <QPageSize>
#include <QRegularExpression>

namespace TT2112Document {
namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

// A field of the application, where pages 2, 4 and 6 put it, and where page 5
// moves it (a negative value: as on the other pages).
struct ApplicationField {
    const char *stem;
    double left, top, width, height;
    double left5, top5, width5;
    double points;
    Qt::Alignment alignment;
};

constexpr double kSame = -1;

const ApplicationField kApplication[] = {
    {"txtCodice", 103.20, 24.40, 18.00, 3.50, kSame, kSame, kSame, 7, kCentre},
    {"txtUfficio", 45.60, 37.00, 103.00, 3.60, kSame, kSame, kSame, 9, kLeft},
    {"txtCognome", 39.00, 47.60, 107.00, 3.60, kSame, kSame, kSame, 9, kLeft},
    {"txtNome", 39.00, 60.00, 97.00, 3.60, kSame, kSame, kSame, 9, kLeft},
    {"txtSesso", 149.80, 60.00, 5.60, 3.60, kSame, kSame, kSame, 9, kCentre},
    {"txtPrescrizioni", 178.00, 60.00, 17.00, 3.60, kSame, kSame, kSame, 9, kCentre},
    {"txtLuogoNascPro", 39.00, 78.40, 107.00, 3.60, kSame, kSame, kSame, 9, kLeft},
    {"txtProvNascPro", 170.00, 78.40, 8.80, 3.60, kSame, kSame, kSame, 9, kCentre},
    {"txtStatoNascPro", 38.00, 91.00, 14.10, 3.60, kSame, 90.20, kSame, 9, kCentre},
    {"txtDataNascPro", 65.40, 91.00, 28.00, 3.60, kSame, 90.20, kSame, 9, kCentre},
    {"txtCittadinanzaPro", 125.00, 91.00, 46.00, 3.60, kSame, 90.20, kSame, 9, kLeft},
    {"txtCodFiscPro", 39.00, 101.20, 97.00, 3.60, kSame, 100.40, kSame, 9, kLeft},
    {"txtComuneResPro", 39.00, 113.70, 107.00, 3.60, kSame, 112.70, kSame, 9, kLeft},
    {"txtProvResPro", 177.00, 113.70, 9.80, 3.60, kSame, 112.70, kSame, 9, kCentre},
    {"txtViaPro", 39.00, 126.40, 92.60, 3.60, kSame, 125.40, kSame, 9, kLeft},
    {"txtNumPro", 144.00, 126.40, 17.60, 3.60, kSame, 125.40, kSame, 9, kCentre},
    {"txtCapResPro", 177.00, 126.40, 19.80, 3.60, kSame, 125.40, kSame, 9, kCentre},
    {"txtConseguimento", 12.00, 149.00, 5.60, 4.60, kSame, 148.00, kSame, 12, kCentre},
    {"txtDuplicato", 12.00, 161.20, 5.60, 4.60, kSame, 160.20, kSame, 12, kCentre},
    {"txtRiclassificazione", 12.00, 172.00, 5.60, 4.60, kSame, 171.00, kSame, 12, kCentre},
    {"txtConsegui", 154.60, 150.60, 7.60, 3.60, kSame, 149.60, kSame, 9, kCentre},
    {"txtPossedutaCon", 170.00, 150.60, 8.00, 3.60, kSame, 149.60, kSame, 9, kCentre},
    {"txtDuplica", 116.80, 162.60, 7.60, 3.60, kSame, 161.60, kSame, 9, kCentre},
    {"txtPossedutaDup", 132.20, 162.60, 8.00, 3.60, kSame, 161.60, kSame, 9, kCentre},
    {"txtPossedutaRic", 101.80, 173.00, 7.60, 3.60, kSame, 172.00, kSame, 9, kCentre},
    {"txtRiclassifica", 132.40, 173.00, 8.00, 3.60, kSame, 172.00, kSame, 9, kCentre},
    {"txtEstremiPat", 145.00, 174.00, 64.00, 3.60, kSame, 173.00, kSame, 8, kLeft},
    {"txtPreGuida", 81.00, 208.00, 128.00, 3.60, 82.00, 206.00, 125.00, 8, kLeft},
    {"txtData", 23.00, 217.00, 28.60, 3.60, kSame, 215.00, kSame, 9, kCentre},
};

// The copies of the application: page number and box suffix.
const struct {
    int page;
    const char *suffix;
} kCopies[] = {{2, "_A"}, {4, "_B"}, {5, "_C"}, {6, "_D"}};

Report::TextBox box(const QString &name, double left, double top, double width, double height, double points,
                    Qt::Alignment alignment)
{
    Report::TextBox box;
    box.name = name;
    box.mm = QRectF(left, top, width, height);
    box.points = points;
    box.alignment = alignment;
    return box;
}

// Manager fields whose text goes into the box of the same stem on every copy.
const char *const kCopiedTexts[] = {
    "txtUfficio", "txtCognome", "txtNome", "txtSesso", "txtDataNascPro", "txtLuogoNascPro", "txtProvNascPro",
    "txtCodFiscPro", "txtPrescrizioni", "txtStatoNascPro", "txtComuneResPro", "txtProvResPro", "txtCapResPro",
    "txtViaPro", "txtNumPro", "txtCittadinanzaPro",
};
const char *const kCopiedCategories[] = {
    "txtConsegui", "txtDuplica", "txtRiclassifica", "txtPossedutaCon", "txtPossedutaDup", "txtPossedutaRic",
    "txtPreGuida", "txtEstremiPat", "txtData",
};
const struct {
    const char *box;
    const char *check;
} kRequestMarks[] = {
    {"txtConseguimento", "chkConseguimento"},
    {"txtDuplicato", "chkDuplicato"},
    {"txtRiclassificazione", "chkRiclassificazione"},
};

// The pictures: 1653 px wide, drawn 208.20 mm wide from the paper's corner.
constexpr double kPictureWidthMm = 208.20;
constexpr double kPictureWidthPx = 1653;

// The frame drawn on each page (left, top, right, bottom in the picture's pixels):
// where its lines and boxes reach. The rows of boxes end at 1579.96 px (199.00 mm)
// on every page; the note box of pages 2 and 4 reaches 4 px further, and no text
// goes past the rows.
const struct {
    double left, top, right, bottom;
} kFrames[8] = {
    {95.27, 488.28, 1579.96, 2127.79}, {90.51, 79.39, 1579.96, 2155.57}, {873.35, 95.27, 1579.96, 2183.36},
    {90.51, 79.39, 1579.96, 2155.57},  {90.51, 79.39, 1579.96, 2191.30}, {90.51, 79.39, 1579.96, 2191.30},
    {95.27, 158.79, 1579.96, 1905.48}, {95.27, 99.24, 1579.96, 1411.64},
};

QRectF frameOf(int page)
{
    const auto &f = kFrames[page];
    constexpr double k = kPictureWidthMm / kPictureWidthPx;
    return QRectF(QPointF(f.left * k, f.top * k), QPointF(f.right * k, f.bottom * k));
}

} // namespace

Report::Document create()
{
    Report::Document document(QStringLiteral("Modello TT 2112"),
                              QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    std::vector<Report::Page> &pages = document.pages();
    pages.resize(8);
    for (int i = 0; i < 8; ++i) {
        pages[static_cast<std::size_t>(i)].picture = QStringLiteral(":/pages/pag%1.svg").arg(i + 1);
        pages[static_cast<std::size_t>(i)].pictureBox = QRectF(0, 0, kPictureWidthMm, 297.00);
        pages[static_cast<std::size_t>(i)].frame = frameOf(i);
    }
    for (const auto &copy : kCopies) {
        Report::Page &page = pages[static_cast<std::size_t>(copy.page - 1)];
        const bool fifth = copy.page == 5;
        for (const ApplicationField &f : kApplication) {
            const double left = fifth && f.left5 != kSame ? f.left5 : f.left;
            const double top = fifth && f.top5 != kSame ? f.top5 : f.top;
            const double width = fifth && f.width5 != kSame ? f.width5 : f.width;
            page.boxes.push_back(box(QLatin1String(f.stem) + QLatin1String(copy.suffix), left, top, width, f.height,
                                     f.points, f.alignment));
        }
        if (copy.page == 2 || copy.page == 4) {
            Report::TextBox note = box(QStringLiteral("txtNote") + QLatin1String(copy.suffix), 16.00, 244.00, 182.00, 26.00, 9,
                                       Qt::AlignLeft | Qt::AlignTop);
            note.wordWrap = true;
            page.boxes.push_back(note);
        }
    }
    pages[2].boxes.push_back(box(QStringLiteral("txtTariffa01"), 157.20, 39.40, 8.60, 9.00, 24, kCentre));
    pages[2].boxes.push_back(box(QStringLiteral("txtTariffa02"), 180.00, 39.40, 8.60, 9.00, 24, kCentre));
    pages[7].boxes.push_back(box(QStringLiteral("txtTarga"), 26.00, 159.00, 46.60, 3.60, 9, kLeft));
    pages[7].boxes.push_back(box(QStringLiteral("txtPotenza"), 158.20, 159.00, 45.60, 3.60, 9, kLeft));
    pages[7].boxes.push_back(box(QStringLiteral("txtCilindrata"), 135.00, 171.00, 63.60, 3.60, 9, kLeft));
    pages[7].boxes.push_back(box(QStringLiteral("txtCambio"), 28.00, 173.30, 46.60, 3.60, 9, kLeft));
    return document;
}

void fill(Report::Document &document, const Source &source)
{
    const auto text = [&](const char *field) { return TextField::trimmedString(source.text(field)); };
    const auto mark = [&](const char *check) { return source.ticked(check) ? QStringLiteral("X") : QString(); };
    for (const auto &copy : kCopies)
        document.setText(QStringLiteral("txtCodice") + QLatin1String(copy.suffix), text("txtCodice"));
    for (const auto &copy : kCopies) {
        const QLatin1String suffix(copy.suffix);
        for (const char *field : kCopiedTexts)
            document.setText(QLatin1String(field) + suffix, text(field));
        for (const auto &request : kRequestMarks)
            document.setText(QLatin1String(request.box) + suffix, mark(request.check));
        for (const char *field : kCopiedCategories)
            document.setText(QLatin1String(field) + suffix, text(field));
        document.setText(QStringLiteral("txtNote") + suffix, text("txtNote")); // pages 2 and 4 only
    }
    for (const char *field : {"txtTarga", "txtPotenza", "txtCambio", "txtCilindrata"})
        document.setText(QLatin1String(field), text(field));
    document.setText(QStringLiteral("txtTariffa01"), mark("chkTariffa01"));
    document.setText(QStringLiteral("txtTariffa02"), mark("chkTariffa02"));
}

} // namespace TT2112Document

namespace TT2112Document {

QStringList squeezedFields(const Report::Document &document, double points, QPaintDevice *device)
{
    QStringList fields;
    for (const Report::SqueezedBox &box : document.squeezedBoxes(points, device)) {
        QString field = box.name;
        static const QRegularExpression copySuffix(QStringLiteral("_[A-D]$"));
        field.remove(copySuffix);
        // The marks come from check boxes of the same stem.
        if (field.startsWith(QLatin1String("txtTariffa")) || field == QLatin1String("txtConseguimento")
            || field == QLatin1String("txtDuplicato") || field == QLatin1String("txtRiclassificazione"))
            field.replace(0, 3, QStringLiteral("chk"));
        if (!fields.contains(field))
            fields << field;
    }
    return fields;
}

} // namespace TT2112Document
