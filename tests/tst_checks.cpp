#include "checks/TaxCode.h"
#include "checks/VatNumber.h"

#include <QTest>

class TestChecks : public QObject
{
    Q_OBJECT

private slots:
    void validTaxCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("ordinary") << QStringLiteral("RSSMRA85T10A562S");
        QTest::newRow("woman") << QStringLiteral("BNCLRA70A41F205E");
        QTest::newRow("another") << QStringLiteral("VRDGPP13R10B293P");
        QTest::newRow("omocodia, one digit replaced") << QStringLiteral("RSSMRA85T10A56NH");
        QTest::newRow("omocodia, all digits replaced") << QStringLiteral("RSSMRALRTMLASNRM");
    }

    void validTaxCodes()
    {
        QFETCH(QString, code);
        QVERIFY(IsValidTaxCode(code));
        // Every other check character is wrong, digits included.
        for (char16_t c = u'0'; c <= u'Z'; ++c) {
            if (c == code[15].unicode())
                continue;
            QString changed = code;
            changed[15] = QChar(c);
            QVERIFY2(!IsValidTaxCode(changed), qPrintable(changed));
        }
    }

    void invalidTaxCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("fifteen characters") << QStringLiteral("RSSMRA85T10A562");
        QTest::newRow("seventeen characters") << QStringLiteral("RSSMRA85T10A562SX");
        QTest::newRow("empty") << QString();
        QTest::newRow("lower case") << QStringLiteral("rssmra85t10a562s");
        QTest::newRow("accented letter") << QStringLiteral("RSSMR\u00C085T10A562S");
        QTest::newRow("hyphen") << QStringLiteral("RSSMRA-5T10A562S");
        QTest::newRow("blank inside") << QStringLiteral("RSSMRA 5T10A562S");
        QTest::newRow("character above Z") << QStringLiteral("RSSMRA85T10A56[S");
        QTest::newRow("control character") << QStringLiteral("RSSMRA85T10A56\x01S");
    }

    void invalidTaxCodes()
    {
        QFETCH(QString, code);
        QVERIFY(!IsValidTaxCode(code));
    }

    void signsBetweenNineAndACountZero()
    {
        // "?" in an odd and an even position counts nothing, like "1" (odd) and "0" (even).
        const char16_t check = TaxCodeCheckLetter(u"?SSMRA85T10A562");
        QCOMPARE(check, TaxCodeCheckLetter(u"BSSMRA85T10A562"));
        const QString code = QStringLiteral("?SSMRA85T10A562") + QChar(check);
        QVERIFY(IsValidTaxCode(code));
    }

    void vatNumbers_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("valid");
        QTest::newRow("office 058") << QStringLiteral("12345670587") << true;
        QTest::newRow("office 120") << QStringLiteral("00000001206") << true;
        QTest::newRow("office 121") << QStringLiteral("99999991211") << true;
        QTest::newRow("even digits 7 and 9") << QStringLiteral("77777770155") << true;
        QTest::newRow("leading zero") << QStringLiteral("07654321053") << true;
        QTest::newRow("eleven zeros") << QStringLiteral("00000000000") << true;
        QTest::newRow("last digit changed") << QStringLiteral("12345670588") << false;
        QTest::newRow("two digits swapped") << QStringLiteral("21345670587") << false;
        QTest::newRow("ten digits") << QStringLiteral("1234567058") << false;
        QTest::newRow("twelve digits") << QStringLiteral("123456705870") << false;
        QTest::newRow("a letter") << QStringLiteral("1234567O587") << false;
        QTest::newRow("a blank") << QStringLiteral("1234567 587") << false;
        QTest::newRow("arabic-indic digit") << QStringLiteral("1234567058\u0667") << false;
    }

    void vatNumbers()
    {
        QFETCH(QString, number);
        QFETCH(bool, valid);
        QCOMPARE(IsValidVatNumber(number), valid);
    }

    void vatOffices_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("office");
        QTest::newRow("001") << QStringLiteral("001") << QStringLiteral("Torino");
        QTest::newRow("040") << QStringLiteral("040") << QStringLiteral("Forl\u00EC");
        QTest::newRow("058") << QStringLiteral("058") << QStringLiteral("Roma 1");
        QTest::newRow("096") << QStringLiteral("096") << QStringLiteral("Monza (Milano 2)");
        QTest::newRow("102") << QStringLiteral("102") << QStringLiteral("Napoli 2");
        QTest::newRow("120") << QStringLiteral("120") << QStringLiteral("Bologna 2");
        QTest::newRow("121") << QStringLiteral("121") << QStringLiteral("Napoli 2");
        QTest::newRow("000") << QStringLiteral("000") << QString();
        QTest::newRow("103") << QStringLiteral("103") << QString();
        QTest::newRow("119") << QStringLiteral("119") << QString();
        QTest::newRow("122") << QStringLiteral("122") << QString();
        QTest::newRow("not digits") << QStringLiteral("0A1") << QString();
    }

    void vatOffices()
    {
        QFETCH(QString, code);
        QFETCH(QString, office);
        const std::optional<QString> name = VatOfficeName(code);
        QCOMPARE(name.value_or(QString()), office);
        QCOMPARE(name.has_value(), !office.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChecks)
#include "tst_checks.moc"
