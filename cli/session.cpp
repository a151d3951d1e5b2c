#include "cli/session.h"

#include "platform/registry_api.h"
#include "platform/system.h"

namespace corvanta {

HeadlessSession::HeadlessSession(Platform& platform) {
  ui_.App().SetJournalEnabled(false);
  form_ = std::make_unique<TForm1>(platform, ui_.View());
  form_->SetSaveOnDestroy(false);
  form_->OverrideStartedWithScan(false);
  // The GUI program lives beside the console one.
  form_->SetRunTarget(platform.system.ExecutableFolder() + kGuiProgramName);
}

HeadlessSession::~HeadlessSession() = default;

bool HeadlessSession::Run(const std::function<void()>& command, std::ostream& err) {
  const size_t before = app().Boxes().size();
  form_->Dispatch(command);
  bool ok = true;
  const auto& boxes = app().Boxes();
  for (size_t i = before; i < boxes.size(); ++i) {
    if (boxes[i].kind == MessageKind::Error) {
      err << boxes[i].text << "\n";
      ok = false;
    }
  }
  return ok;
}

}  // namespace corvanta
