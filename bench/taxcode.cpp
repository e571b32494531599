// The tax code's data: reading the list of places on first use, then reading a
// code, looking a place up by code and by name, and comparing a code with a
// screen's data, each timed over many calls.
//   bench_taxcode [CALLS]
// Prints one line per action: microseconds per call (best of five rounds).

#include "checks/TaxCodeData.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double microsecondsPerCall(int calls, const std::function<void()> &action)
{
    double best = -1;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            action();
        const double each = static_cast<double>(timer.nsecsElapsed()) / 1000.0 / calls;
        best = best < 0 ? each : std::min(best, each);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20000;
    const QDate today(2026, 12, 10);

    QElapsedTimer first;
    first.start();
    const bool found = BirthPlaces::byCode(u"H501").has_value();
    const double loadMs = static_cast<double>(first.nsecsElapsed()) / 1e6;
    first.restart();
    const bool named = !BirthPlaces::byName(u"Roma", u"RM", today).isEmpty();
    const double indexMs = static_cast<double>(first.nsecsElapsed()) / 1e6;
    std::printf("first lookup by code (reads the list): %.2f ms%s\n", loadMs, found ? "" : " (Roma not found!)");
    std::printf("first lookup by name (sorts the names): %.2f ms%s\n", indexMs, named ? "" : " (Roma not found!)");

    std::size_t sink = 0;
    const TaxCodeScreenData screen{QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("M"),
                                   QStringLiteral("01/01/1980"), QStringLiteral("Roma"), QStringLiteral("RM"), QString()};
    const struct {
        const char *what;
        std::function<void()> action;
    } actions[] = {
        {"DecodeTaxCode", [&] { sink += DecodeTaxCode(u"RSSMRA80A01H501U", today)->placeCode.size(); }},
        {"DecodeTaxCode, omocodia", [&] { sink += DecodeTaxCode(u"RSSMRAULALMHRLMD", today)->placeCode.size(); }},
        {"BirthPlaces::byCode", [&] { sink += BirthPlaces::byCode(u"A744", QDate(1990, 5, 10))->name.size(); }},
        {"BirthPlaces::byName", [&] { sink += static_cast<std::size_t>(BirthPlaces::byName(u"Citta' della Pieve", u"", today).size()); }},
        {"ComputeTaxCode", [&] { sink += ComputeTaxCode({QStringLiteral("De Santis"), QStringLiteral("Francesco"), QChar(u'M'), QDate(1975, 9, 30), QStringLiteral("H501")}).size(); }},
        {"TaxCodeMismatches", [&] { sink += static_cast<std::size_t>(TaxCodeMismatches(u"RSSMRA80A01H501U", screen, today).size()); }},
    };
    for (const auto &a : actions)
        std::printf("%-26s %8.2f us per call\n", a.what, microsecondsPerCall(calls, a.action));
    return sink == 0 ? 1 : 0;
}
