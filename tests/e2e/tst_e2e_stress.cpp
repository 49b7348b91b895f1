#include "support/desktopdriver.h"
#include <QTest>
class TestE2EStress : public QObject { Q_OBJECT };
JOTTERLY_X11_TEST_MAIN(TestE2EStress)
#include "tst_e2e_stress.moc"
