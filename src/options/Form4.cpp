// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/Form4.h"

#include "settings/PasswordHash.h"
#include "settings/SettingsStore.h"
#include "system/Convert.h"
#include "system/Failure.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/NumericEntry.h"
#include "widgets/ProgramIcon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QValidator>

#include <utility>

namespace {

QString checkBoxNumber(bool checked)
{
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}

// Of the desktop options, only the full-screen one is ticked by design, as its setting is by default.
bool designedTick(Setting setting)
{
    return setting == Setting::RespectFullScreen;
}

// What the showing options offer: the value stored, and the text shown.
struct ShowingChoice
{
    const char* value;
    const char* text;
};

const QList<ShowingChoice>& screensChoices()
{
    static const QList<ShowingChoice> choices{
        {"Primary", QT_TRANSLATE_NOOP("Form4", "Primary screen only")},
        {"Same", QT_TRANSLATE_NOOP("Form4", "The same video on every screen")},
        {"Each", QT_TRANSLATE_NOOP("Form4", "Its own video on each screen")},
    };
    return choices;
}

const QList<ShowingChoice>& fadeChoices()
{
    static const QList<ShowingChoice> choices{
        {"0", QT_TRANSLATE_NOOP("Form4", "Off: a cut")},
        {"0.5", QT_TRANSLATE_NOOP("Form4", "Half a second")},
        {"1", QT_TRANSLATE_NOOP("Form4", "1 second")},
        {"2", QT_TRANSLATE_NOOP("Form4", "2 seconds")},
    };
    return choices;
}

// A set password shows as stars that stand for it: characters U+0000, which no keyboard types. As many as a short
// password has, whatever the real one's length.
const QString passwordStandIn(8, QChar::Null);

// The stand-in goes whole at the first edit, however made (a key, a paste, an input method, a deletion), so that the
// box then holds only what was typed: typing replaces the password, and deleting leaves none.
class StandInRemover : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override
    {
        if (input != passwordStandIn) {
            position -= static_cast<int>(QStringView(input).first(position).count(QChar::Null));
            input.remove(QChar::Null);
        }
        return Acceptable;
    }
};

// Typed characters are stored after a pause this long: a hash takes a tenth of a second, too long for every key.
constexpr int passwordPauseMs = 700;

} // namespace

Form4::Form4(
    SettingsStore& settings, Dialogs& dialogs, ErrorReporter& reporter, const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_reporter(reporter)
{
    setObjectName(QStringLiteral("Form4"));
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    connectControls();
    Form_Load(programFolder);
}

Form4::~Form4()
{
    storePassword(nullptr);
}

void Form4::createControls()
{
    setWindowTitle(tr("ScreenSaver Options"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Taller than designed by the desktop and showing options, which sit between the play length and the OK button.
    setFixedSize(Twips::toPixels(8040), Twips::toPixels(6690));
    setFont(Controls::arialBold(9));
    Controls::setBackground(this, Qt::white);

    Frame2 = Controls::place<QGroupBox>(this, "Frame2", 120, 120, 7800, 705, tr("Random Options"));
    // Check1 and Check4 are a little wider than designed, and Text1 narrower, so that the captions show whole.
    Check1 =
        Controls::place<QCheckBox>(Frame2, "Check1", 240, 300, 3420, 255, tr("Start at random place in each video"));
    Frame1 = Controls::place<QGroupBox>(this, "Frame1", 120, 870, 7800, 1065, tr("Display Option "));
    Option1 = Controls::place<QRadioButton>(Frame1, "Option1", 240, 300, 2580, 255, tr("Show Full Screen"));
    Option2 = Controls::place<QRadioButton>(Frame1, "Option2", 240, 660, 3075, 255, tr("Show Original"));
    PushButton7 = Controls::place<QPushButton>(Frame1, "PushButton7", 6840, 540, 840, 405, QStringLiteral("?"));
    Frame3 = Controls::place<QGroupBox>(this, "Frame3", 120, 1980, 7800, 765, tr("Password Options"));
    Check5 = Controls::place<QCheckBox>(Frame3, "Check5", 240, 300, 3390, 255, tr("Password prompt on mouse click:"));
    Text2 = Controls::place<QLineEdit>(Frame3, "Text2", 3720, 255, 3840, 345);
    Frame5 = Controls::place<QGroupBox>(this, "Frame5", 120, 2790, 7800, 765, tr("Play Length Option"));
    Check4 =
        Controls::place<QCheckBox>(Frame5,
                                   "Check4",
                                   240,
                                   300,
                                   6840,
                                   255,
                                   tr("Instead of playing entire video, play each video for this number of seconds:"));
    Text1 = Controls::place<QLineEdit>(Frame5, "Text1", 7140, 255, 540, 345, QStringLiteral("10"));
    desktopOptionsFrame =
        Controls::place<QGroupBox>(this, "desktopOptionsFrame", 120, 3600, 7800, 1425, tr("Desktop Options"));
    desktopIdleCheck = Controls::place<QCheckBox>(
        desktopOptionsFrame, "desktopIdleCheck", 240, 300, 7320, 255, tr("Count inactivity on the whole desktop"));
    respectFullScreenCheck = Controls::place<QCheckBox>(desktopOptionsFrame,
                                                        "respectFullScreenCheck",
                                                        480,
                                                        660,
                                                        7080,
                                                        255,
                                                        tr("Not while another program is full screen"));
    lockSessionCheck = Controls::place<QCheckBox>(
        desktopOptionsFrame, "lockSessionCheck", 240, 1020, 7320, 255, tr("Lock the session when a showing ends"));
    showingOptionsFrame =
        Controls::place<QGroupBox>(this, "showingOptionsFrame", 120, 5070, 7800, 1065, tr("Showing Options"));
    auto* screensLabel =
        Controls::place<QLabel>(showingOptionsFrame, "screensLabel", 240, 315, 2400, 255, tr("Screens:"));
    screensBox = Controls::place<QComboBox>(showingOptionsFrame, "screensBox", 2640, 255, 4920, 345);
    auto* fadeLabel =
        Controls::place<QLabel>(showingOptionsFrame, "fadeLabel", 240, 675, 2400, 255, tr("Fade between videos:"));
    fadeBox = Controls::place<QComboBox>(showingOptionsFrame, "fadeBox", 2640, 615, 4920, 345);
    for (const auto& [label, box] : {std::pair{screensLabel, screensBox}, std::pair{fadeLabel, fadeBox}}) {
        label->setBuddy(box);
    }
    for (const ShowingChoice& choice : screensChoices()) {
        screensBox->addItem(tr(choice.text), QLatin1String(choice.value));
    }
    for (const ShowingChoice& choice : fadeChoices()) {
        fadeBox->addItem(tr(choice.text), QLatin1String(choice.value));
    }
    PushButton1 = Controls::place<QPushButton>(this, "PushButton1", 120, 6195, 7800, 405, tr("OK"));

    Option1->setChecked(true);
    Controls::showAsStars(Text2);
    Text2->setValidator(new StandInRemover(Text2));
    Text1->setEnabled(false);
    Text2->setEnabled(false);
    // As its setting is by default, so that a first load writes nothing.
    respectFullScreenCheck->setChecked(designedTick(Setting::RespectFullScreen));
    respectFullScreenCheck->setVisible(false);
    m_passwordPause = new QTimer(this);
    m_passwordPause->setSingleShot(true);
    m_passwordPause->setInterval(passwordPauseMs);
    for (QPushButton* button : {PushButton1, PushButton7}) {
        button->setAutoDefault(false);
    }
}

void Form4::connectControls()
{
    SettingsStore& settings = m_settings;
    connect(Check1, &QCheckBox::toggled, this, [&settings](bool checked) {
        settings.WriteSetting(Setting::Check1, checkBoxNumber(checked));
    });
    connect(Check4, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.WriteSetting(Setting::Check4, checkBoxNumber(checked));
        Text1->setEnabled(checked);
    });
    connect(Check5, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.WriteSetting(Setting::PasswordMouseMove, checkBoxNumber(checked));
        Text2->setEnabled(checked);
        // During the load, before the window shows, the focus stays where it is.
        if (checked && isVisible()) {
            Text2->setFocus(Qt::OtherFocusReason);
        }
    });
    const auto writeDisplay = [this, &settings](bool selected) {
        if (!selected) {
            return;
        }
        settings.WriteSetting(Setting::Option1, Convert::booleanText(Option1->isChecked()));
        settings.WriteSetting(Setting::Option2, Convert::booleanText(Option2->isChecked()));
    };
    connect(Option1, &QRadioButton::toggled, this, writeDisplay);
    connect(Option2, &QRadioButton::toggled, this, writeDisplay);
    connect(Text1, &QLineEdit::textChanged, this, [&settings](const QString& text) {
        settings.WriteSetting(Setting::SlideshowInterval, text);
    });
    connect(Text2, &QLineEdit::textChanged, this, &Form4::passwordTyped);
    connect(m_passwordPause, &QTimer::timeout, this, &Form4::storeTypedPassword);
    connect(Text2, &QLineEdit::editingFinished, this, &Form4::storeTypedPassword);
    connect(desktopIdleCheck, &QCheckBox::toggled, this, [this, &settings](bool checked) {
        settings.WriteSetting(Setting::DesktopIdle, checkBoxNumber(checked));
        // Full-screen programs matter only to the desktop-wide count.
        respectFullScreenCheck->setVisible(checked);
    });
    connect(respectFullScreenCheck, &QCheckBox::toggled, this, [&settings](bool checked) {
        settings.WriteSetting(Setting::RespectFullScreen, checkBoxNumber(checked));
    });
    connect(lockSessionCheck, &QCheckBox::toggled, this, [&settings](bool checked) {
        settings.WriteSetting(Setting::LockSession, checkBoxNumber(checked));
    });
    // Only a choice the person makes is stored: a value read at the load that is none of the offered ones stays as it
    // is.
    for (const auto& [box, setting] : {std::pair{screensBox, Setting::Screens}, std::pair{fadeBox, Setting::Fade}}) {
        connect(box, &QComboBox::activated, this, [box, setting, &settings] {
            settings.WriteSetting(setting, box->currentData().toString());
        });
    }
    new NumericEntry(Text1, m_dialogs);
    connect(PushButton1, &QPushButton::clicked, this, &Form4::PushButton1_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form4::PushButton7_Click);
}

void Form4::Form_Load(const QString& programFolder)
{
    SettingsStore& settings = m_settings;
    GuardedRoutine routine(m_reporter, RoutinePath::Form4_Form_Load);
    routine.step(100, [&] { Controls::ApplyDialogColours(this); });
    routine.step(102, [&] { setWindowIcon(programIcon()); });
    routine.step(104, [&] {
        const QCursor pointer = Controls::customPointer(programFolder);
        PushButton1->setCursor(pointer);
        PushButton7->setCursor(pointer);
    });
    routine.step(106, [&] { Text1->setText(settings.ReadSetting(Setting::SlideshowInterval)); });
    routine.step(108, [&] { Text2->setText(PasswordHash::read(settings).isEmpty() ? QString() : passwordStandIn); });
    routine.step(
        110, [&] { Controls::setOptionValue(Option1, Convert::toBoolean(settings.ReadSetting(Setting::Option1))); });
    routine.step(
        112, [&] { Controls::setOptionValue(Option2, Convert::toBoolean(settings.ReadSetting(Setting::Option2))); });
    routine.step(114, [&] { Check1->setChecked(Convert::toCheckBoxValue(settings.ReadSetting(Setting::Check1))); });
    routine.step(116, [&] { Check4->setChecked(Convert::toCheckBoxValue(settings.ReadSetting(Setting::Check4))); });
    routine.step(118,
                 [&] { Check5->setChecked(Convert::toDouble(settings.ReadSetting(Setting::PasswordMouseMove)) != 0); });
    routine.step(120, [&] {
        desktopIdleCheck->setChecked(Convert::toCheckBoxValue(settings.ReadSetting(Setting::DesktopIdle)));
    });
    routine.step(122, [&] {
        respectFullScreenCheck->setChecked(Convert::toCheckBoxValue(settings.ReadSetting(Setting::RespectFullScreen)));
    });
    routine.step(124, [&] {
        lockSessionCheck->setChecked(Convert::toCheckBoxValue(settings.ReadSetting(Setting::LockSession)));
    });
    screensBox->setCurrentIndex(screensBox->findData(showingOption(settings, Setting::Screens)));
    fadeBox->setCurrentIndex(fadeBox->findData(showingOption(settings, Setting::Fade)));
}

QString Form4::showingOption(const SettingsStore& settings, Setting setting)
{
    const QString stored = settings.ReadSetting(setting).trimmed();
    bool number = false;
    const double seconds = stored.toDouble(&number);
    for (const ShowingChoice& choice : setting == Setting::Screens ? screensChoices() : fadeChoices()) {
        const QString value = QLatin1String(choice.value);
        // Seconds as any number writes them: "1.0" is "1".
        if (stored.compare(value, Qt::CaseInsensitive) == 0 ||
            (setting == Setting::Fade && number && seconds == value.toDouble())) {
            return value;
        }
    }
    return settingDefault(setting);
}

bool Form4::desktopOption(const SettingsStore& settings, Setting setting)
{
    // The reading of the load above, where a value that is no check-box number fails and the box stays as designed.
    try {
        return Convert::toCheckBoxValue(settings.ReadSetting(setting));
    } catch (const Failure&) {
        return designedTick(setting);
    }
}

void Form4::setDesktopIdleAvailable(bool available, const QString& why)
{
    desktopIdleCheck->setEnabled(available);
    respectFullScreenCheck->setEnabled(available);
    desktopIdleCheck->setToolTip(available ? QString()
                                           : tr("Lumaveil cannot learn how long this desktop has been idle: %1.")
                                                 .arg(why.isEmpty() ? tr("no way of asking works here") : why));
}

void Form4::setSessionLockAvailable(bool available, const QString& why)
{
    lockSessionCheck->setEnabled(available);
    lockSessionCheck->setToolTip(
        available
            ? QString()
            : tr("Lumaveil cannot lock this session: %1.").arg(why.isEmpty() ? tr("logind does not answer") : why));
}

void Form4::passwordTyped(const QString& text)
{
    // The stand-in is the stored password, shown.
    if (text == passwordStandIn) {
        return;
    }
    m_typedPassword = text;
    m_passwordPause->start();
}

void Form4::storeTypedPassword()
{
    storePassword(this);
}

void Form4::storePassword(QWidget* messageOwner)
{
    m_passwordPause->stop();
    if (!m_typedPassword) {
        return;
    }
    const QString typed = *std::exchange(m_typedPassword, std::nullopt);
    try {
        m_settings.WriteSetting(Setting::Password, PasswordHash::hashed(typed));
    } catch (const Failure& failure) {
        // The password stored before stays in force.
        m_dialogs.message(messageOwner,
                          tr("The new password could not be stored: %1.").arg(QString::fromStdString(failure.what())),
                          Dialogs::Icon::Warning);
    }
}

void Form4::hideEvent(QHideEvent* event)
{
    storeTypedPassword();
    QWidget::hideEvent(event);
}

void Form4::PushButton1_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form4_PushButton1_Click);
    routine.step(100, [&] { close(); });
}

void Form4::PushButton7_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form4_PushButton7_Click);
    routine.step(100, [&] {
        m_dialogs.message(
            this,
            tr("%1 will show the video at original aspect ratio with black around the sides.").arg(Option2->text()));
    });
}
