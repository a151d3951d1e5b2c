#include "cli/session.h"

#include "platform/ansi_text.h"
#include "platform/registry_api.h"
#include "platform/system.h"

namespace corvanta {

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    const uint32_t u = Cp1252ToUnicode(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

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
