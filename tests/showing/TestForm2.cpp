// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakePlaybackOptions.h"
#include "fakes/TestEnvironment.h"
#include "showing/Form2.h"

#include <QScreen>
#include <QSignalSpy>
#include <QTest>

class TestForm2 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    FakePlaybackOptions m_options;
    QPointer<Form2> m_form;
    FakeVideoPlayer* m_player = nullptr;

    void makeWindow()
    {
        auto player = std::make_unique<FakeVideoPlayer>();
        m_player = player.get();
        m_form = new Form2(std::move(player), m_options, *m_env->settings, m_env->prompter, m_env->report);
        m_form->prepareForVideo(m_options.fullScreen);
    }

    void moveOnWindow(QPoint position)
    {
        QMouseEvent move(
            QEvent::MouseMove, position, m_form->mapToGlobal(position), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_form, &move);
    }

    QSize screenTwips() const
    {
        return m_form->screen()->size() * 15;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_options = FakePlaybackOptions();
    }

    void cleanup()
    {
        delete m_form;
        m_env.reset();
    }

    void testShowsBlackFullScreenWithThePointerParked()
    {
        makeWindow();
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Slideshow"));
        QCOMPARE(m_form->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(m_form->geometry(), m_form->screen()->geometry());
        QCOMPARE(m_form->cursor().shape(), Qt::BlankCursor);
        QCOMPARE(QCursor::pos(m_form->screen()), m_form->screen()->geometry().bottomRight());
        QCOMPARE(m_form->Xmouse, screenTwips().width());
        QCOMPARE(m_form->YMouse, screenTwips().height());
        QCOMPARE(m_player->videoWidget()->geometry(), m_form->rect());
    }

    void testShowOriginalKeepsThePlayerSizeCentred()
    {
        m_options.fullScreen = false;
        makeWindow();
        const QRect player = m_player->videoWidget()->geometry();
        QCOMPARE(player.size(), QSize(544, 379));
        QCOMPARE(player.center(), m_form->rect().center());
    }

    void testOnlyADiagonalMoveEndsTheShowing()
    {
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);
        // The first report after the pointer was parked only records where it is.
        moveOnWindow({100, 100});
        QCOMPARE(ended.size(), 0);
        QCOMPARE(m_form->Xmouse, 1500);
        moveOnWindow({140, 100});
        moveOnWindow({140, 130});
        QCOMPARE(ended.size(), 0);
        moveOnWindow({141, 131});
        QCOMPARE(ended.size(), 1);
    }

    // The black border and the picture report moves in one measure: along one axis from one onto the other is no
    // movement.
    void testBorderAndPictureMovesAreOneMovement()
    {
        m_options.fullScreen = false;
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);
        moveOnWindow(m_player->videoWidget()->geometry().topLeft() + QPoint(-20, 10));
        emit m_player->mouseMoved(QPointF(20, 10));
        emit m_player->mouseMoved(QPointF(20, 40.5));
        QCOMPARE(ended.size(), 0);
        emit m_player->mouseMoved(QPointF(22, 42));
        QCOMPARE(ended.size(), 1);
    }

    void testEveryKeyAndClickEndsTheShowing_data()
    {
        QTest::addColumn<int>("input");
        QTest::newRow("key on the window") << 0;
        QTest::newRow("click on the window") << 1;
        QTest::newRow("key on the picture") << 2;
        QTest::newRow("right button on the picture") << 3;
    }

    void testEveryKeyAndClickEndsTheShowing()
    {
        QFETCH(int, input);
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);
        switch (input) {
        case 0:
            QTest::keyClick(m_form, Qt::Key_Shift);
            break;
        case 1:
            QTest::mouseClick(m_form, Qt::LeftButton, {}, QPoint(5, 5));
            break;
        case 2:
            emit m_player->keyPressed(Qt::Key_A);
            break;
        default:
            emit m_player->mousePressed(2);
            break;
        }
        QCOMPARE(ended.size(), 1);
        QCOMPARE(m_player->closes, 1);
        QVERIFY(!m_form->isVisible());
        // The window goes, and its player with it.
        QTRY_VERIFY(m_form.isNull());
        QVERIFY(m_env->prompter.asked == 0);
    }

    // Only a key pressed here is let go here: the release of one that closed the prompt, or that was pressed
    // before the showing began, is no input.
    void testReleaseWithoutItsPressIsNoInput()
    {
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("1"));
        m_env->prompter.answers = {false, false, true};
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);

        emit m_player->keyReleased(Qt::Key_Space);
        QTest::keyRelease(m_form, Qt::Key_Return);
        QCOMPARE(m_env->prompter.asked, 0);

        // A key pressed and let go here is input twice, as ever; a press on the picture and its release on the
        // window are one key.
        emit m_player->keyPressed(Qt::Key_A);
        QCOMPARE(m_env->prompter.asked, 1);
        QTest::keyRelease(m_form, Qt::Key_A);
        QCOMPARE(m_env->prompter.asked, 2);
        emit m_player->keyReleased(Qt::Key_A);
        QCOMPARE(m_env->prompter.asked, 2);
        QTest::mouseClick(m_form, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(m_env->prompter.asked, 3);
        QCOMPARE(ended.size(), 1);
    }

    // The window manager's close is input: it asks for the password and stays open when the answer is wrong.
    void testCloseFromOutsideIsInput()
    {
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("1"));
        m_env->prompter.answers = {false, true};
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);

        QVERIFY(!m_form->close());
        QTRY_COMPARE(m_env->prompter.asked, 1);
        QVERIFY(m_form->isVisible());
        QCOMPARE(ended.size(), 0);

        QVERIFY(!m_form->close());
        QTRY_COMPARE(ended.size(), 1);
        QTRY_VERIFY(m_form.isNull());
    }

    void testPasswordAskedWhenSet()
    {
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("1"));
        m_env->prompter.answers = {false, true};
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);
        QSignalSpy prompt(m_form.data(), &Form2::promptShown);

        emit m_player->keyPressed(Qt::Key_A);
        QCOMPARE(m_env->prompter.asked, 1);
        QCOMPARE(ended.size(), 0);
        QCOMPARE(m_player->closes, 0);
        QCOMPARE(prompt.size(), 2);

        emit m_player->clicked(1);
        QCOMPARE(m_env->prompter.asked, 2);
        QCOMPARE(ended.size(), 1);
    }

    void testEndWithoutAsking_data()
    {
        QTest::addColumn<bool>("promptOpen");
        QTest::newRow("while the video plays") << false;
        QTest::newRow("while the prompt stands open") << true;
    }

    // The session locks: the showing ends without the password, the prompt that stands open closes, and nothing
    // tells that the person ended it. The window lives on until the prompt's loop has returned.
    void testEndWithoutAsking()
    {
        QFETCH(bool, promptOpen);
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("1"));
        m_env->prompter.answers = {true};
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);
        bool aliveUnderThePrompt = false;
        m_env->prompter.whileOpen = [this, &aliveUnderThePrompt] {
            m_form->endWithoutAsking();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveUnderThePrompt = m_form && !m_form->isVisible();
        };
        if (promptOpen) {
            emit m_player->keyPressed(Qt::Key_A);
            QVERIFY(aliveUnderThePrompt);
        } else {
            m_form->endWithoutAsking();
        }
        QCOMPARE(m_env->prompter.asked, promptOpen ? 1 : 0);
        QCOMPARE(m_env->prompter.cancelled, promptOpen ? 1 : 0);
        QCOMPARE(m_player->closes, 1);
        QTRY_VERIFY(m_form.isNull());
        QCOMPARE(ended.size(), 0);
    }

    void testOnlyExactlyOneAsks_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::newRow("two") << "2";
        QTest::newRow("zero") << "0";
        QTest::newRow("no number") << "yes";
    }

    void testOnlyExactlyOneAsks()
    {
        QFETCH(QString, setting);
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, setting);
        makeWindow();
        QSignalSpy ended(m_form.data(), &Form2::showingEnded);
        emit m_player->keyPressed(Qt::Key_A);
        QCOMPARE(m_env->prompter.asked, 0);
        QCOMPARE(ended.size(), 1);
    }
};

QTEST_MAIN(TestForm2)
#include "TestForm2.moc"
