#include "SarvelApp.h"

#include "FirstRun.h"
#include "Guard.h"
#include "KitActions.h"
#include "SpeedButton.h"
#include "StartUp.h"
#include "StopSignals.h"
#include "TAboutForm.h"
#include "TBaseForm.h"
#include "TEditIniForm.h"
#include "TZastForm.h"
#include "Theme.h"
#include "TimingMode.h"
#include "VolumeController.h"
#include "Words.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace sarvel {

SarvelApp::SarvelApp(const QString& kitFile, int playSong)
    : playSong_(playSong), stopSignals_(std::make_unique<StopSignals>([this] { stop(); })) {
    useProportionalFont();
    guarded(prompts_, [] { installDataFolder(); });

    BaseForm = std::make_unique<TBaseForm>(state_, prompts_);
    prompts_.setParentWindow(BaseForm.get());
    startUp_ = std::make_unique<StartUp>(*BaseForm, state_, prompts_);
    startUp_->mixerStartUp = [this] { BaseForm->volume().startUp(); };
    startUp_->mixerShutDown = [this] { BaseForm->volume().shutDown(); };
    startUp_->startKit = kitFile;
    startUp_->FormCreate();
    chooseAudioOutput();

    ZastForm = std::make_unique<TZastForm>(BaseForm.get());
    guarded(prompts_, [this] { ZastForm->FormCreate(); });
    BaseForm->setSplash(ZastForm.get());
    // Nothing reaches the main window before the splash has gone, and the windows only a later
    // click opens are not needed to show it; nor are the words the first song would read.
    QObject::connect(ZastForm.get(), &QDialog::finished, BaseForm.get(), [this] {
        if (AboutForm)
            return;
        makeDialogs();
        warmUpWords(*BaseForm->RichEdit);
    });
}

SarvelApp::~SarvelApp() = default;

int SarvelApp::run() {
    int result = 0;
    // A stop asked for while the windows were being made ends the run before it shows.
    if (!stopSignals_->requested()) {
        BaseForm->show();
        // Once the window is up, on the device's own thread: what the first song would otherwise load.
        QTimer::singleShot(100, BaseForm.get(), [this] { BaseForm->MediaPlayer.prepare(); });
        // Pressed as a click would press it, from the event loop: a song that can't be opened is
        // reported in the window as it would be then.
        if (playSong_ > 0)
            QTimer::singleShot(0, BaseForm.get(), [this] { BaseForm->songButton(playSong_)->click(); });
        result = QApplication::exec();
    }
    startUp_->FormDestroy();
    return result;
}

void SarvelApp::makeDialogs() {
    AboutForm = std::make_unique<TAboutForm>(BaseForm.get());
    BaseForm->setAbout(AboutForm.get());
    EditIniForm = std::make_unique<TEditIniForm>(state_, prompts_, BaseForm->kitActions(), BaseForm.get());
    BaseForm->kitActions().setEditor(EditIniForm.get());
}

// The output is chosen once, on what start-up found: the sound server's when there is one, else
// a silent one that keeps the songs' time. No other output is probed, as each failed probe (ALSA,
// JACK, OpenAL) fills the console with its complaints.
void SarvelApp::chooseAudioOutput() {
    if (BaseForm->volume().mixerFound()) {
        BaseForm->MediaPlayer.setAudioSink(QStringLiteral("pulsesink"));
        return;
    }
    BaseForm->MediaPlayer.setAudioSink(QStringLiteral("fakesink sync=true"));
    // A start-up message (no kit found) stays in front; the label's resting caption goes.
    const QString status = BaseForm->LabelStatus->text().trimmed();
    const bool startUpMessage = !status.isEmpty() && status != QLatin1String("No message");
    BaseForm->LabelStatus->setText((startUpMessage ? status + QStringLiteral("  ") : QString()) +
                                   QStringLiteral("Нет вывода звука !"));
}

void SarvelApp::stop() {
    // The splash, the About window, the editor, message boxes and file dialogs are all modal
    // dialogs, each in a loop of its own that the main window's close would not end.
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->done(QDialog::Rejected);
        if (QApplication::activeModalWidget() == dialog)
            break;
    }
    if (BaseForm) {
        // No one is there to answer: taps are written unless they would replace a timing file.
        try {
            BaseForm->timingMode().leave(false);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        BaseForm->close();
    }
    // The close box ends the run through a quit event, which a window shown meanwhile (the
    // splash, by its timer) would refuse; a stop must end it whatever comes next.
    QCoreApplication::exit(0);
}

} // namespace sarvel
