// Two copies of the program appending to one archive at the same time.
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace {

constexpr int kPerWriter = 500;

RecordBuffer taggedRecord(int writer, int sequence)
{
    RecordBuffer record(StudentRecord::layout());
    record.setText(StudentRecord::txtCognome, QStringLiteral("Writer%1").arg(writer));
    record.setText(StudentRecord::txtNome, QString::number(sequence));
    // Fill the whole record so that a torn write would show.
    record.setText(StudentRecord::txtNote, QString(250, QChar(u'a' + writer)));
    record.setText(StudentRecord::lblDesc03, QString(250, QChar(u'A' + sequence % 26)));
    record.setYesNo(StudentRecord::chkRicontatta, sequence % 2 == 0);
    return record;
}

// One action per record, as the program does it: open, append, close.
int runWriter(const QString &path, int writer)
{
    for (int i = 0; i < kPerWriter; ++i) {
        try {
            RecordFile file;
            file.OpenOrCreate(path, StudentRecord::Size);
            file.AppendRecord(taggedRecord(writer, i));
            file.CloseRecordFile();
        } catch (const std::exception &) {
            return 1;
        }
    }
    return 0;
}

} // namespace

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void twoProcessesAppendAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Allievi.pro"));
        QProcess writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w].setProgram(QCoreApplication::applicationFilePath());
            writers[w].setArguments({QStringLiteral("--writer"), path, QString::number(w)});
        }
        writers[0].start();
        writers[1].start();
        for (QProcess &writer : writers) {
            QVERIFY(writer.waitForFinished(240000));
            QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer.exitCode(), 0);
        }

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), qsizetype(2 * kPerWriter) * StudentRecord::Size);

        std::set<std::pair<int, int>> seen;
        RecordBuffer record(StudentRecord::layout());
        for (qsizetype i = 0; i < 2 * kPerWriter; ++i) {
            const QByteArrayView stored = QByteArrayView(bytes).sliced(i * StudentRecord::Size, StudentRecord::Size);
            record.setBytes(stored);
            const int writer = record.text(StudentRecord::txtCognome).mid(6).toInt();
            const int sequence = record.text(StudentRecord::txtNome).toInt();
            // Each record is exactly one that a writer wrote: none is torn.
            QCOMPARE(stored, QByteArrayView(taggedRecord(writer, sequence).bytes()));
            QVERIFY(seen.insert({writer, sequence}).second);
        }
        QCOMPARE(seen.size(), std::size_t(2 * kPerWriter));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    TestConcurrency test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_concurrency.moc"
