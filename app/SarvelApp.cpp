#include "SarvelApp.h"

#include "FirstRun.h"
#include "Guard.h"
#include "KitActions.h"
#include "StartUp.h"
#include "TAboutForm.h"
#include "TBaseForm.h"
#include "TEditIniForm.h"
#include "TZastForm.h"
#include "VolumeController.h"

#include <QApplication>

namespace sarvel {

SarvelApp::SarvelApp() {
    guarded(prompts_, [] { installDataFolder(); });

    BaseForm = std::make_unique<TBaseForm>(state_, prompts_);
    prompts_.setParentWindow(BaseForm.get());
    startUp_ = std::make_unique<StartUp>(*BaseForm, state_, prompts_);
    startUp_->mixerStartUp = [this] { BaseForm->volume().startUp(); };
    startUp_->mixerShutDown = [this] { BaseForm->volume().shutDown(); };
    startUp_->FormCreate();

    AboutForm = std::make_unique<TAboutForm>(BaseForm.get());
    BaseForm->setAbout(AboutForm.get());

    EditIniForm = std::make_unique<TEditIniForm>(state_, prompts_, BaseForm->kitActions(), BaseForm.get());
    BaseForm->kitActions().setEditor(EditIniForm.get());

    ZastForm = std::make_unique<TZastForm>(BaseForm.get());
    guarded(prompts_, [this] { ZastForm->FormCreate(); });
    BaseForm->setSplash(ZastForm.get());
}

SarvelApp::~SarvelApp() = default;

int SarvelApp::run() {
    BaseForm->show();
    const int result = QApplication::exec();
    startUp_->FormDestroy();
    return result;
}

} // namespace sarvel
