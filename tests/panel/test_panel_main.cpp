// One executable for the simulator's test suites.
#include "rig.h"

#include <QCoreApplication>
#include <QtTest>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (QObject *suite : {makeLoginTests(), makeTandemTests(), makeRecordModemTests(), makeTransportTests()}) {
        failed += QTest::qExec(suite, argc, argv);
        delete suite;
    }
    return failed == 0 ? 0 : 1;
}
