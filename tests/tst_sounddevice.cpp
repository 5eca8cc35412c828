#include "common/failure.h"
#include "testrun/sounddevice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real sound device: its module is loaded only when a sound is opened.
class TestSoundDevice : public QObject
{
    Q_OBJECT

private slots:
    void unknownCommand_throws();
    void open_loadsTheModuleOnce();
    void missingModule_playsSilently();
    void programEndsRightAfterASound_cleanly();
};

void TestSoundDevice::unknownCommand_throws()
{
    EffectSoundDevice device(QStringLiteral(GLOSSMERE_PROGRAM_DIR));
    QVERIFY_THROWS_EXCEPTION(Failure, device.command(QStringLiteral("Rewind")));
    QVERIFY(!device.hasBackend());
}

void TestSoundDevice::open_loadsTheModuleOnce()
{
    EffectSoundDevice device(QStringLiteral(GLOSSMERE_PROGRAM_DIR));
    device.command(QStringLiteral("Play"));
    QVERIFY(!device.hasBackend());
    device.setFileName(QStringLiteral(GLOSSMERE_PROGRAM_DIR "/Sounds/right.wav"));
    device.command(QStringLiteral("Open"));
    QVERIFY(device.hasBackend());
    device.command(QStringLiteral("Play"));
    device.command(QStringLiteral("Stop"));
    device.command(QStringLiteral("close"));
    device.setFileName(QStringLiteral(GLOSSMERE_PROGRAM_DIR "/Sounds/wrong.wav"));
    device.command(QStringLiteral("Open"));
    device.command(QStringLiteral("close"));
}

void TestSoundDevice::missingModule_playsSilently()
{
    QTemporaryDir empty;
    EffectSoundDevice device(empty.path());
    device.setFileName(QStringLiteral(GLOSSMERE_PROGRAM_DIR "/Sounds/right.wav"));
    for (const char *command : {"Open", "Play", "Stop", "close"})
        device.command(QString::fromLatin1(command));
    QVERIFY(!device.hasBackend());
}

// Qt reads a sound in a thread of its own; a program that ends just after a close must not leave that
// thread reading. Whether it does shows only at the end of a process and only now and then, so the
// sanitizer build runs the sound test in many short processes.
void TestSoundDevice::programEndsRightAfterASound_cleanly()
{
    for (int run = 0; run < 25; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("open_loadsTheModuleOnce")});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAll().left(4000).constData());
    }
}

QTEST_MAIN(TestSoundDevice)
#include "tst_sounddevice.moc"
