// Program start to the login window, beside a bare Qt window shown and closed.
//   bench_startup            runs both, several times, and prints the medians
//   bench_startup --bare     (child) a bare window, shown, then quits
//   bench_startup --login    (child) the program's screens created, the login shown, then quits

#include "access/Password.h"
#include "app/ScreenSet.h"
#include "storage/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

int child(bool login)
{
    int argc = 1;
    char name[] = "bench_startup";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QTemporaryDir folder;
    ProgramFolder::setOverride(folder.path());
    std::unique_ptr<ScreenSet> screens;
    std::unique_ptr<QWidget> bare;
    QWidget *shown = nullptr;
    if (login) {
        screens = std::make_unique<ScreenSet>();
        screens->createScreens();
        screens->start();
        shown = screens->frmPassword();
    } else {
        bare = std::make_unique<QWidget>();
        bare->resize(388, 405);
        bare->show();
        shown = bare.get();
    }
    QTimer::singleShot(0, shown, [] { QApplication::quit(); });
    return QApplication::exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--bare") == 0)
        return child(false);
    if (argc == 2 && qstrcmp(argv[1], "--login") == 0)
        return child(true);
    QCoreApplication app(argc, argv);
    std::vector<double> bare;
    std::vector<double> login;
    for (int round = 0; round < 15; ++round) {
        for (const bool isLogin : {false, true}) {
            QElapsedTimer timer;
            timer.start();
            QProcess process;
            process.start(QCoreApplication::applicationFilePath(), {isLogin ? QStringLiteral("--login") : QStringLiteral("--bare")});
            process.waitForFinished(60000);
            (isLogin ? login : bare).push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    const double b = median(bare);
    const double l = median(login);
    std::printf("| Start to the login window | | %.1f | %.1f | %.2f | <= 1.5 (bare Qt window) | |\n", l, b, l / b);
    return 0;
}
