// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/QtDialogs.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include <algorithm>

namespace {

/**
 * Widens a dialog, as it shows, so that the window manager can write its title whole. The window manager writes
 * the title in a bold font of its own, mostly centred between the window's icon and its buttons, and cuts it short
 * where the window is too narrow, as a box with a short message is. The room counts the title in the desktop's
 * title font, in bold, and three buttons on either side, each a line and a half wide.
 */
class TitleRoom : public QObject
{
public:
    explicit TitleRoom(QDialog* dialog)
        : QObject(dialog)
        , m_dialog(dialog)
    {
        dialog->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Before the window maps, and after the dialog has laid itself out.
        if (watched == m_dialog && event->type() == QEvent::Show) {
            m_dialog->removeEventFilter(this);
            widen();
        }
        return false;
    }

private:
    void widen()
    {
        QLayout* layout = m_dialog->layout();
        if (!layout) {
            return;
        }
        QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        font.setBold(true);
        const QFontMetrics metrics(font);
        int width = metrics.horizontalAdvance(m_dialog->windowTitle()) + 9 * metrics.height();
        if (const QScreen* screen = m_dialog->screen()) {
            width = std::min(width, screen->availableGeometry().width() * 2 / 3);
        }
        const QMargins margins = layout->contentsMargins();
        // A strut in the dialog's own layout: the dialog sizes itself to its layout, whatever size it is given.
        auto* strut = new QSpacerItem(
            std::max(0, width - margins.left() - margins.right()), 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            grid->addItem(strut, grid->rowCount(), 0, 1, grid->columnCount());
        } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
            box->addSpacerItem(strut);
        } else {
            delete strut;
            return;
        }
        layout->activate();
    }

    QDialog* m_dialog;
};

QString captionOrShortTitle(const QString& caption)
{
    return caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption;
}

// Message texts break lines with carriage returns, alone or before a line feed; a label breaks only at line feeds.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void QtDialogs::message(QWidget* parent, const QString& text, Icon icon, const QString& caption)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    captionOrShortTitle(caption),
                    displayText(text),
                    QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    new TitleRoom(&box);
    box.exec();
}

bool QtDialogs::question(QWidget* parent, const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon,
                    captionOrShortTitle(caption),
                    displayText(text),
                    QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setTextFormat(Qt::PlainText);
    new TitleRoom(&box);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::inputText(QWidget* parent, const QString& prompt, const QString& proposal)
{
    QInputDialog box(parent);
    box.setWindowTitle(captionOrShortTitle({}));
    box.setLabelText(displayText(prompt));
    box.setTextValue(proposal);
    new TitleRoom(&box);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

QStringList QtDialogs::openFiles(QWidget* parent, const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
}

QString QtDialogs::pickFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}

void QtDialogs::showFolder(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
