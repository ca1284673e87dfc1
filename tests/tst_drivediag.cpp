#include <QApplication>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>
#include <climits>

#include "drivediag.h"
#include "testenv.h"

namespace {

const QString kDefault = QStringLiteral("Состояние привода неопределено - ошибка связи");

// The codes that have a text of their own, class by class, with the size of each class.
struct ClassList {
    int size;
    QString codes;
};
const QList<ClassList>& classLists()
{
    static const QList<ClassList> lists = {
        {72, QStringLiteral("A0000 A0001 A0002 A0003 A0008 A0009 A0010 A0011 A0012 A0013 A0050 A0051 A0100 A0101"
                            " A0102 A0103 A0104 A0105 A0106 A0107 A0108 A0109 A0110 A0111 A0112 A0113 A0114 A0115"
                            " A0116 A0117 A0118 A0119 A0128 A0129 A0130 A0131 A0132 A0133 A0134 A0135 A0136 A0137"
                            " A0138 A0139 A0140 A0141 A0142 A0143 A0150 A0151 A0152 A0153 A0154 A0155 A0156 A0157"
                            " A0160 A0161 A0162 A0163 A0164 A0165 A0166 A0206 A0207 A0210 A0211 A0403 A4000 A4001"
                            " A4002 A4003")},
        {289, QStringLiteral("C0100 C0101 C0102 C0103 C0104 C0105 C0106 C0107 C0108 C0109 C0110 C0111 C0112 C0113"
                            " C0114 C0115 C0116 C0118 C0132 C0139 C0151 C0152 C0170 C0171 C0172 C0173 C0174 C0175"
                            " C0200 C0201 C0202 C0203 C0204 C0210 C0212 C0219 C0220 C0221 C0223 C0224 C0225 C0227"
                            " C0228 C0229 C0230 C0231 C0232 C0233 C0234 C0238 C0239 C0240 C0241 C0242 C0243 C0244"
                            " C0245 C0250 C0251 C0252 C0253 C0256 C0258 C0259 C0260 C0265 C0266 C0267 C0270 C0271"
                            " C0272 C0273 C0274 C0275 C0276 C0277 C0278 C0279 C0280 C0281 C0282 C0283 C0284 C0285"
                            " C0286 C0287 C0288 C0289 C0290 C0291 C0292 C0293 C0294 C0295 C0296 C0298 C0299 C0300"
                            " C0301 C0302 C0303 C0304 C0400 C0401 C0403 C0500 C0501 C0600 C0601 C0602 C0603 C0606"
                            " C0607 C0608 C0609 C0610 C0700 C0702 C0703 C0704 C0706 C0722 C0730 C0740 C0750 C0751"
                            " C0752 C0761 C0799 C0900 C0902 C0903 C0906 C1200 C1204 C1208 C1209 C1211 C1212 C1214"
                            " C1215 C1216 C1217 C1218 C1219 C1220 C1221 C1222 C1223 C1300 C1301 C1400 C1402 C1500"
                            " C1600 C1800 C1801 C1802 C1803 C1804 C1805 C1806 C1807 C1808 C2000 C2001 C2100 C2101"
                            " C2103 C2104 C2105 C2106 C2108 C2200 C2202 C2300 C2301 C2302 C2400 C2402 C2800 C2801"
                            " C2802 C2803 C2804 C3100 C3101 C3102 C3200 C3201 C3202 C3203 C3204 C3205 C3206 C3207"
                            " C3208 C3209 C3300 C3400 C3600 C3601 C3602 C3603 C3604 C3605 C3606 C3607 C3608 C3609"
                            " C3610 C3611 C3612 C3800 C3900 C3901 C3902 C3903 C4100 C4101 C4103 C4104 C4200 C4201"
                            " C4202 C4300 C4302 C4304 C4306 C4307 C4308 C4400 C4500 C4600 C4601 C4800 C4801 C4802"
                            " C4803 C4804 C4805 C4900 C4901 C4902 C4903 C4904 C4910 C5200 C5300 C5301 C5600 C5601"
                            " C5602 C5603 C6100 C6101 C6400 C6401 C6500 C6501 C6502 C6503 C6600 C6601 C6602 C6604"
                            " C6605 C6606 C6700 C6701 C6702 C6703 C6704 C6706 C6800 C7000 C7001 C7100 C7101 C7200"
                            " C7201 C7400 C7401 C7500 C7501 C7600 C7601 C7602 C9900")},
        {77, QStringLiteral("E2010 E2011 E2012 E2013 E2014 E2015 E2016 E2017 E2021 E2026 E2031 E2037 E2040 E2042"
                            " E2043 E2049 E2050 E2051 E2053 E2054 E2055 E2056 E2058 E2059 E2061 E2063 E2070 E2074"
                            " E2075 E2076 E2077 E2078 E2079 E2086 E2092 E2100 E2140 E2667 E2810 E2814 E2816 E2819"
                            " E2820 E2829 E3115 E4001 E4002 E4005 E4006 E4007 E4008 E4009 E4010 E4011 E4012 E4013"
                            " E4014 E4016 E4017 E4020 E8025 E8026 E8027 E8028 E8029 E8030 E8034 E8040 E8041 E8042"
                            " E8043 E8044 E8055 E8057 E8058 E8260 E8819")},
        {152, QStringLiteral("F2002 F2003 F2004 F2005 F2007 F2008 F2009 F2010 F2011 F2012 F2013 F2014 F2015 F2016"
                            " F2017 F2018 F2019 F2021 F2022 F2025 F2026 F2027 F2028 F2031 F2032 F2036 F2037 F2040"
                            " F2042 F2043 F2048 F2050 F2051 F2053 F2054 F2057 F2058 F2059 F2063 F2064 F2067 F2068"
                            " F2072 F2074 F2075 F2076 F2077 F2086 F2087 F2100 F2101 F2102 F2103 F2104 F2105 F2110"
                            " F2120 F2140 F2150 F2174 F2175 F2176 F2177 F2178 F2179 F2190 F2816 F2818 F2819 F2820"
                            " F2821 F2825 F2836 F2860 F3115 F3134 F4001 F4002 F4003 F4004 F4005 F4006 F4009 F4011"
                            " F4012 F4016 F4017 F4020 F4034 F4140 F6002 F6003 F6004 F6005 F6006 F6007 F6010 F6024"
                            " F6028 F6029 F6030 F6034 F6042 F6043 F6044 F6058 F6059 F8000 F8010 F8011 F8012 F8013"
                            " F8014 F8015 F8016 F8017 F8022 F8025 F8027 F8028 F8042 F8044 F8060 F8064 F8069 F8070"
                            " F8071 F8076 F8078 F8079 F8091 F8100 F8102 F8118 F8120 F8122 F8128 F8129 F8140 F8300"
                            " F8301 F8302 F8303 F8838 F9001 F9002 F9003 F9005 F9100 F9200 F9201 F9202")},
    };
    return lists;
}

bool isCyrillic(const QString& text)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return text.contains(cyrillic);
}

}  // namespace

class TestDriveDiag : public QObject
{
    Q_OBJECT

private slots:
    // Every listed code has a text of its own and every other value of the whole range of the
    // four classes (and below them) falls back to the default.
    void codeSetIsExactlyTheListed()
    {
        QSet<int> listed;
        for (const ClassList& list : classLists()) {
            const QStringList names = list.codes.split(QLatin1Char(' '));
            QCOMPARE(names.size(), list.size);
            for (const QString& name : names) {
                bool ok = false;
                listed.insert(name.toInt(&ok, 16));
                QVERIFY(ok);
            }
        }
        QCOMPARE(listed.size(), 590);

        int withText = 0;
        int russian = 0;
        for (int code = 0; code <= 0xFFFFF; ++code) {
            const QString text = stateDesc(code);
            const bool hasOwn = text != kDefault;
            if (hasOwn != listed.contains(code))
                QFAIL(qPrintable(QStringLiteral("code %1: %2").arg(code, 5, 16).arg(text)));
            if (hasOwn) {
                ++withText;
                QVERIFY(!text.trimmed().isEmpty());
                if (isCyrillic(text))
                    ++russian;
            }
        }
        QCOMPARE(withText, 590);
        QCOMPARE(russian, 56);
    }

    void givenTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("A0012") << 0xA0012 << QStringLiteral("Готовность привода и силовой части");
        QTest::newRow("A0013") << 0xA0013 << QStringLiteral("Готов к подаче питания");
        QTest::newRow("A0050") << 0xA0050 << QStringLiteral("Параметризация: уровень 1");
        QTest::newRow("A0051") << 0xA0051 << QStringLiteral("Операционный режим");
        QTest::newRow("A0100") << 0xA0100 << QStringLiteral("Режим управления по моменту");
        QTest::newRow("A0101") << 0xA0101 << QStringLiteral("Режим управления по скорости");
        QTest::newRow("A0102") << 0xA0102 << QStringLiteral("Режим позиционирования: энкодер 1");
        QTest::newRow("A0103") << 0xA0103 << QStringLiteral("Режим позиционирования: энкодер 2");
        QTest::newRow("A4000") << 0xA4000 << QStringLiteral("Автоматическая проверка и настройка привода");
        QTest::newRow("C0100") << 0xC0100 << QStringLiteral("Переключение привода в фазу 3...");
        QTest::newRow("C0200") << 0xC0200 << QStringLiteral("Выход из режима параметризации...");
        QTest::newRow("C0285") << 0xC0285 << QStringLiteral("Некорректный тип двигателя в настройках привода (параметр P-0-4014)");
        QTest::newRow("C0300") << 0xC0300 << QStringLiteral("Выполнение задания абсолютного положения по оси...");
        QTest::newRow("C0400") << 0xC0400 << QStringLiteral("Переход в режим параметризации...");
        QTest::newRow("C0500") << 0xC0500 << QStringLiteral("Активирована команда на сброс ошибки привода...");
        QTest::newRow("C0600") << 0xC0600 << QStringLiteral("Выполнение выхода в ноль под управлением привода...");
        QTest::newRow("C1600") << 0xC1600 << QStringLiteral("Парковка оси");
        QTest::newRow("C5200") << 0xC5200 << QStringLiteral("Переключение привода в фазу 4...");
        QTest::newRow("E2026") << 0xE2026 << QStringLiteral("Низкое напряжение в секции питания привода");
        QTest::newRow("E2031") << 0xE2031 << QStringLiteral("Предупреждение энкодер 1: неверный сигнал энкодера");
        QTest::newRow("E2042") << 0xE2042 << QStringLiteral("Предупреждение энкодер 2: неверный сигнал энкодера");
        QTest::newRow("E2059") << 0xE2059 << QStringLiteral("Достигнута предельная скорость двигателя");
        QTest::newRow("E2070") << 0xE2070 << QStringLiteral("Достигнуто предельное ускорение двигателя");
        QTest::newRow("E2074") << 0xE2074 << QStringLiteral("Энкодер 1: сбой сигнала");
        QTest::newRow("E2075") << 0xE2075 << QStringLiteral("Энкодер 2: сбой сигнала");
        QTest::newRow("E8025") << 0xE8025 << QStringLiteral("Превышение максимально-допустимого напряжения в секции питания привода");
        QTest::newRow("E8026") << 0xE8026 << QStringLiteral("Низкое напряжение в секции питания привода");
        QTest::newRow("E8028") << 0xE8028 << QStringLiteral("Превышение максимально-допустимого тока в секции питания привода");
        QTest::newRow("E8029") << 0xE8029 << QStringLiteral("Достигнут предел перемещения в положительном направлении");
        QTest::newRow("E8030") << 0xE8030 << QStringLiteral("Достигнут предел перемещения в отрицательном направлении");
        QTest::newRow("E8042") << 0xE8042 << QStringLiteral("Сработаны оба датчика конечных положений");
        QTest::newRow("E8043") << 0xE8043 << QStringLiteral("Сработал датчик положительного конечного положения");
        QTest::newRow("E8044") << 0xE8044 << QStringLiteral("Сработал датчик отрицательного конечного положения");
        QTest::newRow("F2018") << 0xF2018 << QStringLiteral("Превышение максимально-допустимой температуры привода");
        QTest::newRow("F2019") << 0xF2019 << QStringLiteral("Превышение максимально-допустимой температуры двигателя");
        QTest::newRow("F2021") << 0xF2021 << QStringLiteral("Ошибка датчика температуры двигателя");
        QTest::newRow("F2022") << 0xF2022 << QStringLiteral("Ошибка датчика температуры привода");
        QTest::newRow("F2026") << 0xF2026 << QStringLiteral("Низкое напряжение в секции питания привода");
        QTest::newRow("F2042") << 0xF2042 << QStringLiteral("Энкодер 2: некорректный сигнал энкодера");
        QTest::newRow("F2048") << 0xF2048 << QStringLiteral("Низкое напряжение батареи");
        QTest::newRow("F2068") << 0xF2068 << QStringLiteral("Ошибка тормоза двигателя");
        QTest::newRow("F2174") << 0xF2174 << QStringLiteral("Потеря референтной метки энкодера двигателя");
        QTest::newRow("F2175") << 0xF2175 << QStringLiteral("Потеря референтной метки внешнего энкодера");
        QTest::newRow("F6029") << 0xF6029 << QStringLiteral("Достигнут предел перемещения в положительном направлении");
        QTest::newRow("F6030") << 0xF6030 << QStringLiteral("Достигнут предел перемещения в отрицательном направлении");
        QTest::newRow("F6042") << 0xF6042 << QStringLiteral("Сработаны оба датчика конечных положений");
        QTest::newRow("F6043") << 0xF6043 << QStringLiteral("Сработал датчик положительного конечного положения");
        QTest::newRow("F6044") << 0xF6044 << QStringLiteral("Сработал датчик отрицательного конечного положения");
        QTest::newRow("F8000") << 0xF8000 << QStringLiteral("Критическая аппаратая ошибка");
        QTest::newRow("F8022") << 0xF8022 << QStringLiteral("Энкодер 1: некорректный сигнал энкодера (м.б. сброшено в фазе 2)");
        QTest::newRow("F8025") << 0xF8025 << QStringLiteral("Превышение максимально-допустимого напряжения в секции питания привода");
        QTest::newRow("F8028") << 0xF8028 << QStringLiteral("Превышение максимально-допустимого тока в секции питания привода");
        QTest::newRow("F8060") << 0xF8060 << QStringLiteral("Превышение максимально-допустимого тока в секции питания привода");
        QTest::newRow("F8079") << 0xF8079 << QStringLiteral("Превышение максимально-допустимой скорости");
        QTest::newRow("F8091") << 0xF8091 << QStringLiteral("Секция питания привода повреждена");
        QTest::newRow("F8122") << 0xF8122 << QStringLiteral("Секция управления привода повреждена");
        QTest::newRow("A0000") << 0xA0000 << QStringLiteral("Communication phase 0");
        QTest::newRow("A0008") << 0xA0008 << QStringLiteral("SERCOS III: NRT Mode");
        QTest::newRow("E2814") << 0xE2814 << QStringLiteral("Undervoltage in mains");
        QTest::newRow("F2101") << 0xF2101 << QStringLiteral("File system structure error on the memory card");
        QTest::newRow("F9001") << 0xF9001 << QStringLiteral("Error internal function call");
    }
    void givenTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(stateDesc(code), text);
    }

    void sharedTextsAreEqual()
    {
        QCOMPARE(stateDesc(0xE8043), stateDesc(0xF6043));
        QCOMPARE(stateDesc(0xE2026), stateDesc(0xE8026));
        QCOMPARE(stateDesc(0xE2026), stateDesc(0xF2026));
        QCOMPARE(stateDesc(0xE8028), stateDesc(0xF8028));
        QCOMPARE(stateDesc(0xE8028), stateDesc(0xF8060));
    }

    void stateDefaults_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("zero") << 0;
        QTest::newRow("minus one") << -1;
        QTest::newRow("most negative") << INT_MIN;
        QTest::newRow("A0004 without entry") << 0xA0004;
        QTest::newRow("F9203 past the last") << 0xF9203;
        QTest::newRow("100000 hex") << 0x100000;
        QTest::newRow("A0101 in a higher digit") << 0x1A0101;
        QTest::newRow("largest") << INT_MAX;
    }
    void stateDefaults()
    {
        QFETCH(int, code);
        QCOMPARE(stateDesc(code), kDefault);
    }

    void virtualStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << QStringLiteral("Питание всех приводов виртуальной оси выключено");
        QTest::newRow("1") << 1 << QStringLiteral("Готовность всех приводов виртуальной оси");
        QTest::newRow("2") << 2 << QStringLiteral("Виртуальная ось включена");
        QTest::newRow("3") << 3 << QStringLiteral("Ошибка на одном из приводов виртуальной оси");
        QTest::newRow("4") << 4 << QStringLiteral("Предупреждение на одном из приводов виртуальной оси");
        QTest::newRow("5") << 5 << kDefault;
        QTest::newRow("-1") << -1 << kDefault;
        QTest::newRow("C1600") << 0xC1600 << kDefault;
    }
    void virtualStates()
    {
        QFETCH(int, state);
        QFETCH(QString, text);
        QCOMPARE(virtualStateDesc(state), text);
    }
};

POKAVRO_TEST_MAIN(TestDriveDiag)
#include "tst_drivediag.moc"
