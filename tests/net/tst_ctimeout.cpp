// CTimeout: periodic ticks, reset, stop, and independence of objects. One unit is 20 ms here.
#include "net/CTimeout.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr int kUnitMs = 20;

struct Ticks {
    explicit Ticks(CTimeout& timeout)
    {
        clock.start();
        QObject::connect(&timeout, &CTimeout::TimeOut, &timeout, [this] { at.append(clock.elapsed()); });
    }
    QElapsedTimer clock;
    QList<qint64> at; // milliseconds since creation of each tick
};

std::unique_ptr<CTimeout> makeTimeout(int value)
{
    auto timeout = std::make_unique<CTimeout>();
    timeout->setTimeUnitMs(kUnitMs);
    timeout->setTimeOutValue(value);
    return timeout;
}

} // namespace

class TestCTimeout : public QObject {
    Q_OBJECT
private slots:
    void zeroValueNeverStarts();
    void ticksPeriodically();
    void resetMovesNextTick();
    void stopThenResetRunsAgain();
    void valueChangeWaitsForRestart();
    void destroyingOneLeavesOthersRunning();
    void handlerMayStopTimer();
};

void TestCTimeout::zeroValueNeverStarts()
{
    auto timeout = makeTimeout(0);
    Ticks ticks(*timeout);
    timeout->StartTimer();
    QVERIFY(!timeout->isRunning());
    timeout->Reset();
    QTest::qWait(150);
    QVERIFY(ticks.at.isEmpty());
}

void TestCTimeout::ticksPeriodically()
{
    auto timeout = makeTimeout(3); // 60 ms
    Ticks ticks(*timeout);
    timeout->StartTimer();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.at.size() >= 3, 5000);
    QVERIFY2(ticks.at[0] >= 55, qPrintable(QString::number(ticks.at[0])));
    QVERIFY(ticks.at[2] - ticks.at[0] >= 110);
    QVERIFY(timeout->isRunning());
}

void TestCTimeout::resetMovesNextTick()
{
    auto timeout = makeTimeout(5); // 100 ms
    Ticks ticks(*timeout);
    timeout->StartTimer();
    QTest::qWait(70);
    QVERIFY(ticks.at.isEmpty());
    const qint64 resetAt = ticks.clock.elapsed();
    timeout->Reset();
    QTRY_VERIFY_WITH_TIMEOUT(!ticks.at.isEmpty(), 5000);
    QVERIFY2(ticks.at[0] - resetAt >= 95, qPrintable(QStringLiteral("%1 after reset").arg(ticks.at[0] - resetAt)));
}

void TestCTimeout::stopThenResetRunsAgain()
{
    auto timeout = makeTimeout(2);
    Ticks ticks(*timeout);
    timeout->StartTimer();
    timeout->StopTimer();
    QVERIFY(!timeout->isRunning());
    QTest::qWait(100);
    QVERIFY(ticks.at.isEmpty());
    timeout->Reset();
    QTRY_VERIFY_WITH_TIMEOUT(!ticks.at.isEmpty(), 5000);
}

void TestCTimeout::valueChangeWaitsForRestart()
{
    auto timeout = makeTimeout(2); // 40 ms
    Ticks ticks(*timeout);
    timeout->StartTimer();
    timeout->setTimeOutValue(50);
    QTRY_VERIFY_WITH_TIMEOUT(!ticks.at.isEmpty(), 5000);
    QVERIFY(ticks.at[0] < 500);
    ticks.at.clear();
    timeout->StartTimer(); // now 1 s
    QTest::qWait(200);
    QVERIFY(ticks.at.isEmpty());
}

void TestCTimeout::destroyingOneLeavesOthersRunning()
{
    auto first = makeTimeout(2);
    auto second = makeTimeout(2);
    Ticks ticks(*second);
    first->StartTimer();
    second->StartTimer();
    first.reset();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.at.size() >= 2, 5000);
}

void TestCTimeout::handlerMayStopTimer()
{
    auto timeout = makeTimeout(1);
    int count = 0;
    QObject::connect(timeout.get(), &CTimeout::TimeOut, timeout.get(), [&] {
        ++count;
        timeout->StopTimer();
    });
    timeout->StartTimer();
    QTRY_COMPARE(count, 1);
    QTest::qWait(100);
    QCOMPARE(count, 1);
}

QTEST_GUILESS_MAIN(TestCTimeout)
#include "tst_ctimeout.moc"
