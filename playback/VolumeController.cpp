#include "VolumeController.h"

#include "Prompts.h"

#include <QLabel>
#include <QScrollBar>

namespace sarvel {

VolumeController::VolumeController(QScrollBar* scrollBar, QLabel* label, Prompts& userPrompts)
    : ScrollBarVolume(scrollBar), LabelVolume(label), prompts(userPrompts) {
    sliderConnection = QObject::connect(scrollBar, &QAbstractSlider::valueChanged, scrollBar,
                                        [this] { ScrollBarVolumeChange(); });
}

VolumeController::~VolumeController() {
    QObject::disconnect(sliderConnection);
}

bool VolumeController::startUp() {
    if (!mixer.open()) {
        MixerFound = false;
        prompts.message(QString(), QStringLiteral("MIXER не найден !"));
        return false;
    }
    MixerFound = true;
    // The change handler writes the level back only when this moves the slider.
    ScrollBarVolume->setValue(mixer.readLevel());
    return true;
}

void VolumeController::ScrollBarVolumeChange() {
    if (!MixerFound)
        return;
    const int position = ScrollBarVolume->value();
    mixer.setLevel(position);
    LabelVolume->setText(QString::number(position) + QLatin1Char('%'));
}

void VolumeController::shutDown() {
    if (!MixerFound)
        return;
    mixer.close();
    MixerFound = false;
}

} // namespace sarvel
