// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryListView.h"
#include "library/PathListModel.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

class TestLibraryListView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PathListModel> m_model;
    std::unique_ptr<LibraryListView> m_view;

    QPoint centreOf(int row) const
    {
        return m_view->visualRect(m_model->index(row, 0)).center();
    }

    void sendMouse(QEvent::Type type, QPoint position, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type,
                          position,
                          m_view->viewport()->mapToGlobal(position),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &event);
    }

    // Offers the data to the list as a drag over it would; true when the list takes it.
    bool offer(QMimeData* data)
    {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &enter);
        return enter.isAccepted();
    }

private slots:
    void init()
    {
        m_model = std::make_unique<PathListModel>(QStringList{QStringLiteral(" Video File(s)")});
        m_model->setPaths({QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b.mkv"), QStringLiteral("/v/c.mkv")});
        m_view = std::make_unique<LibraryListView>();
        m_view->setModel(m_model.get());
        m_view->resize(400, 200);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_model.reset();
    }

    void testOnlyFileListsCanBeDropped()
    {
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/v/new.mkv")), QUrl(QStringLiteral("https://example.org"))});
        QVERIFY(offer(&files));

        QMimeData text;
        text.setText(QStringLiteral("/v/new.mkv"));
        QVERIFY(!offer(&text));

        QMimeData remote;
        remote.setUrls({QUrl(QStringLiteral("https://example.org/clip.mkv"))});
        QVERIFY(!offer(&remote));
    }

    void testDropReportsLocalPathsInOrder()
    {
        QSignalSpy dropped(m_view.get(), &LibraryListView::pathsDropped);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/v/z folder")),
                      QUrl(QStringLiteral("https://example.org/x.mkv")),
                      QUrl::fromLocalFile(QStringLiteral("/v/été.mkv"))});
        QVERIFY(offer(&data));
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &drop);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped.first().first().toStringList(),
                 QStringList({QStringLiteral("/v/z folder"), QStringLiteral("/v/été.mkv")}));
    }

    // Only files of this computer come in: an address with another host, or a name that holds a NUL, stays out;
    // a drag of nothing else cannot be dropped.
    void testDropsNameOnlyLocalFiles()
    {
        QSignalSpy dropped(m_view.get(), &LibraryListView::pathsDropped);
        QMimeData data;
        data.setUrls({QUrl(QStringLiteral("file://localhost/v/local.mkv")),
                      QUrl(QStringLiteral("file://etc/passwd")),
                      QUrl(QStringLiteral("file://LOCALHOST/v/upper.mkv")),
                      QUrl(QStringLiteral("file:///v/nul%00.mkv")),
                      QUrl(QStringLiteral("file:relative.mkv")),
                      QUrl(QStringLiteral("file:///v/plain%20name.mkv"))});
        QVERIFY(offer(&data));
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->viewport(), &drop);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(
            dropped.first().first().toStringList(),
            QStringList(
                {QStringLiteral("/v/local.mkv"), QStringLiteral("/v/upper.mkv"), QStringLiteral("/v/plain name.mkv")}));

        QMimeData refused;
        refused.setUrls(
            {QUrl(QStringLiteral("file://server/share/clip.mkv")), QUrl(QStringLiteral("file:///v/nul%00.mkv"))});
        QVERIFY(!offer(&refused));
    }

    void testCarryingTheThirdEntryToTheFirst()
    {
        m_view->setReorderable(true);
        sendMouse(QEvent::MouseButtonPress, centreOf(2), Qt::LeftButton);
        sendMouse(QEvent::MouseMove, centreOf(1), Qt::LeftButton);
        QCOMPARE(m_model->paths(), QStringList({"/v/a.mkv", "/v/c.mkv", "/v/b.mkv"}));
        sendMouse(QEvent::MouseMove, centreOf(0), Qt::LeftButton);
        sendMouse(QEvent::MouseButtonRelease, centreOf(0), Qt::NoButton);
        QCOMPARE(m_model->paths(), QStringList({"/v/c.mkv", "/v/a.mkv", "/v/b.mkv"}));
        QCOMPARE(m_view->selectedRow(), 0);

        // After the release, moving the pointer carries nothing.
        sendMouse(QEvent::MouseMove, centreOf(2), Qt::NoButton);
        QCOMPARE(m_model->paths(), QStringList({"/v/c.mkv", "/v/a.mkv", "/v/b.mkv"}));
    }

    // Carried to the bottom edge, the list scrolls on under the pointer; the carried entry stays the chosen one,
    // however far it scrolled, so that Delete removes it and not a neighbour.
    void testCarriedEntryStaysChosenWhereTheListScrolls()
    {
        QStringList paths;
        for (int i = 0; i < 40; ++i) {
            paths.append(QStringLiteral("/v/%1.mkv").arg(i, 2, 10, QLatin1Char('0')));
        }
        m_model->setPaths(paths);
        m_view->setReorderable(true);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, centreOf(2));
        const QPoint nearBottom(centreOf(2).x(), m_view->viewport()->height() - 3);
        sendMouse(QEvent::MouseButtonPress, centreOf(2), Qt::LeftButton);
        for (int i = 0; i < 20; ++i) {
            sendMouse(QEvent::MouseMove, nearBottom - QPoint(0, i % 2), Qt::LeftButton);
        }
        sendMouse(QEvent::MouseButtonRelease, nearBottom, Qt::NoButton);

        const int carried = m_model->paths().indexOf(QStringLiteral("/v/02.mkv"));
        QVERIFY2(carried > 10, "the list did not scroll");
        QCOMPARE(m_view->selectedRow(), carried);
        QCOMPARE(m_view->currentIndex().row(), carried);
    }

    void testEqualEntriesStayWhereTheyAre()
    {
        m_model->setPaths({QStringLiteral("/v/same.mkv"), QStringLiteral("/v/same.mkv"), QStringLiteral("/v/x.mkv")});
        m_view->setReorderable(true);
        sendMouse(QEvent::MouseButtonPress, centreOf(0), Qt::LeftButton);
        sendMouse(QEvent::MouseMove, centreOf(1), Qt::LeftButton);
        sendMouse(QEvent::MouseButtonRelease, centreOf(1), Qt::NoButton);
        QCOMPARE(m_model->paths(), QStringList({"/v/same.mkv", "/v/same.mkv", "/v/x.mkv"}));
    }

    void testWithoutReorderingTheOrderStays()
    {
        sendMouse(QEvent::MouseButtonPress, centreOf(2), Qt::LeftButton);
        sendMouse(QEvent::MouseMove, centreOf(0), Qt::LeftButton);
        sendMouse(QEvent::MouseButtonRelease, centreOf(0), Qt::NoButton);
        QCOMPARE(m_model->paths(), QStringList({"/v/a.mkv", "/v/b.mkv", "/v/c.mkv"}));
    }

    void testDoubleClickAndKeysReportTheSelectedRow()
    {
        QSignalSpy doubleClicked(m_view.get(), &LibraryListView::doubleClickedEntry);
        QSignalSpy keys(m_view.get(), &LibraryListView::keyPressed);
        QTest::keyClick(m_view.get(), Qt::Key_Delete);
        QCOMPARE(keys.size(), 1);
        QCOMPARE(keys.first().at(0).toInt(), int(Qt::Key_Delete));
        QCOMPARE(keys.first().at(1).toInt(), -1);

        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, centreOf(1));
        QCOMPARE(doubleClicked.size(), 1);
        QCOMPARE(doubleClicked.first().first().toInt(), 1);
    }
};

QTEST_MAIN(TestLibraryListView)
#include "TestLibraryListView.moc"
