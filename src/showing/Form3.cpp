// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/Form3.h"

#include "settings/PasswordHash.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/ProgramIcon.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

Form3::Form3(
    SettingsStore& settings, Dialogs& dialogs, ErrorReporter& reporter, const QString& programFolder, QWidget* owner)
    : QDialog(owner)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_reporter(reporter)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("Enter Password"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips::toPixels(8040), Twips::toPixels(1605));
    setFont(Controls::arialBold(9));
    setModal(true);

    Frame1 = Controls::place<QGroupBox>(this, "Frame1", 120, 120, 7800, 840, tr("Password"));
    Text2 = Controls::place<QLineEdit>(Frame1, "Text2", 240, 300, 7300, 345);
    Controls::showAsStars(Text2);
    PushButton1 = Controls::place<QPushButton>(this, "PushButton1", 120, 1080, 3840, 405, tr("OK"));
    PushButton2 = Controls::place<QPushButton>(this, "PushButton2", 4080, 1080, 3840, 405, tr("Cancel"));
    for (QPushButton* button : {PushButton1, PushButton2}) {
        button->setAutoDefault(false);
    }

    connect(PushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(Text2, &QLineEdit::returnPressed, this, &Form3::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form3::PushButton2_Click);
    Form_Load(programFolder);
}

void Form3::Form_Load(const QString& programFolder)
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form3_Form_Load);
    routine.step(100, [&] { Controls::ApplyDialogColours(this); });
    routine.step(102, [&] { setWindowIcon(programIcon()); });
    routine.step(104, [&] {
        const QCursor pointer = Controls::customPointer(programFolder);
        PushButton1->setCursor(pointer);
        PushButton2->setCursor(pointer);
    });
}

void Form3::PushButton1_Click()
{
    // Enter and a click may both arrive before the prompt has gone.
    if (m_closing) {
        return;
    }
    m_closing = true;
    GuardedRoutine routine(m_reporter, RoutinePath::Form3_PushButton1_Click);
    // A password that cannot be read, or a comparison that fails, refuses: only a match lets the showing end. The
    // comparison takes about a tenth of a second, the time that makes guessing slow.
    std::optional<QString> stored;
    routine.step(100, [&] { stored = PasswordHash::read(m_settings); });
    if (routine.holds(102, [&] { return stored && PasswordHash::matches(*stored, Text2->text()); })) {
        routine.step(104, [&] { m_accepted = true; });
    } else {
        routine.step(106, [&] { m_dialogs.message(this, tr("Invalid Password.")); });
    }
    routine.step(108, [&] { done(m_accepted ? Accepted : Rejected); });
}

void Form3::PushButton2_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form3_PushButton2_Click);
    routine.step(100, [&] { reject(); });
}

DialogPasswordPrompter::DialogPasswordPrompter(SettingsStore& settings,
                                               Dialogs& dialogs,
                                               ErrorReporter& reporter,
                                               QString programFolder)
    : m_settings(settings)
    , m_dialogs(dialogs)
    , m_reporter(reporter)
    , m_programFolder(std::move(programFolder))
{}

bool DialogPasswordPrompter::askPassword(QWidget* owner)
{
    Form3 prompt(m_settings, m_dialogs, m_reporter, m_programFolder, owner);
    m_open = &prompt;
    prompt.exec();
    return prompt.PasswordAccepted();
}

void DialogPasswordPrompter::cancel()
{
    if (!m_open) {
        return;
    }
    // The "Invalid Password." message runs a loop inside the prompt's own: both have to end.
    const QList<QDialog*> messages = m_open->findChildren<QDialog*>();
    for (QDialog* message : messages) {
        message->reject();
    }
    m_open->reject();
}
