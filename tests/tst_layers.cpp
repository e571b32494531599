// The program's folders are layers: the record files at the bottom, the screen
// kit above them, the features above the kit, the entrance on top. These tests
// read every source file's includes and check that no layer reaches above itself
// and that no two folders lean on each other.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <functional>

namespace {

// The folders of the program's own sources, below the entrance.
const QStringList kFeatures = {QStringLiteral("tt2112"), QStringLiteral("students"), QStringLiteral("search"),
                               QStringLiteral("printing"), QStringLiteral("export"), QStringLiteral("checks"),
                               QStringLiteral("access"), QStringLiteral("calendar"), QStringLiteral("lessons"),
                               QStringLiteral("backup")};

struct Include {
    QString file;   // the including file, relative to the sources
    QString target; // the included file, as written
};

// Every `#include "folder/..."` of the program's sources (not tests, tools or benchmarks).
QList<Include> programIncludes()
{
    static const QStringList kProgramFolders = QStringList{QStringLiteral("app"), QStringLiteral("storage"),
                                                           QStringLiteral("shell"), QStringLiteral("cli")}
        + kFeatures;
    static const QRegularExpression kInclude(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                             QRegularExpression::MultilineOption);
    const QDir root(QStringLiteral(VOLANTIX_SOURCE_DIR));
    QList<Include> includes;
    for (const QString &folder : kProgramFolders) {
        QDirIterator it(root.filePath(folder), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            auto match = kInclude.globalMatch(text);
            while (match.hasNext())
                includes.append({root.relativeFilePath(path), match.next().captured(1)});
        }
    }
    return includes;
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

} // namespace

class TestLayers : public QObject
{
    Q_OBJECT

private slots:
    void sourcesAreFound()
    {
        // Guards the tests below against passing on an empty tree.
        QVERIFY(programIncludes().size() > 100);
    }

    void layersIncludeOnlyWhatIsBelow_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("allowed");
        const QStringList ground{QStringLiteral("storage")};
        QTest::newRow("record files") << QStringLiteral("storage") << ground;
        QTest::newRow("screen kit") << QStringLiteral("shell") << (ground + QStringList{QStringLiteral("shell"), QStringLiteral("assets")});
        QTest::newRow("command line") << QStringLiteral("cli")
                                      << (ground + QStringList{QStringLiteral("cli"), QStringLiteral("shell"), QStringLiteral("checks"),
                                                          QStringLiteral("calendar"), QStringLiteral("lessons"), QStringLiteral("backup")});
    }

    void layersIncludeOnlyWhatIsBelow()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, allowed);
        QStringList wrong;
        for (const Include &include : programIncludes()) {
            if (folderOf(include.file) != folder)
                continue;
            const QString target = folderOf(include.target);
            if (!target.isEmpty() && !allowed.contains(target))
                wrong << include.file + QStringLiteral(" -> ") + include.target;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void nothingBelowTheEntranceIncludesIt()
    {
        QStringList wrong;
        for (const Include &include : programIncludes()) {
            const QString from = folderOf(include.file);
            const QString target = folderOf(include.target);
            if (from != QLatin1String("app") && (target == QLatin1String("app") || target == QLatin1String("cli"))
                && from != target)
                wrong << include.file + QStringLiteral(" -> ") + include.target;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void noLoopsBetweenFolders()
    {
        QMap<QString, QSet<QString>> edges;
        for (const Include &include : programIncludes()) {
            const QString from = folderOf(include.file);
            const QString to = folderOf(include.target);
            if (!from.isEmpty() && !to.isEmpty() && from != to)
                edges[from].insert(to);
        }
        // A depth-first walk: a folder met again while it is still being walked closes a loop.
        QMap<QString, int> state; // 1 being walked, 2 done
        QStringList path;
        QString loop;
        std::function<void(const QString &)> walk = [&](const QString &folder) {
            state[folder] = 1;
            path << folder;
            for (const QString &next : edges.value(folder)) {
                if (!loop.isEmpty())
                    break;
                if (state.value(next) == 1)
                    loop = (path.mid(path.indexOf(next)) << next).join(QStringLiteral(" -> "));
                else if (state.value(next) == 0)
                    walk(next);
            }
            path.removeLast();
            state[folder] = 2;
        };
        for (const QString &folder : edges.keys())
            if (state.value(folder) == 0 && loop.isEmpty())
                walk(folder);
        QVERIFY2(loop.isEmpty(), qPrintable(QStringLiteral("loop: ") + loop));
    }

    void featuresNeverIncludeEachOthersScreens()
    {
        // A feature may use another's documents and logic, never its screens.
        static const QRegularExpression kScreenHeader(QStringLiteral("^(tt2112/Mod_TT2112|students/(Allievi|AllegaCartella|LezioniGuida|FrequentatoriOra)|search/TrovaScreen|printing/(PrintScreens|PreviewDialog)|export/ExportScreen|checks/(CheckScreens|TaxCodeAssist)|access/(Password|CambiaPassword))\\.h$"));
        QStringList wrong;
        for (const Include &include : programIncludes()) {
            const QString from = folderOf(include.file);
            const QString to = folderOf(include.target);
            if (kFeatures.contains(from) && kFeatures.contains(to) && from != to && kScreenHeader.match(include.target).hasMatch())
                wrong << include.file + QStringLiteral(" -> ") + include.target;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
