#include "cli/session.h"

#include "platform/registry_api.h"
#include "platform/system.h"

namespace corvanta {

std::string AnsiToUtf8(const std::string& ansi) {
  // 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1
  // control of the same number, as the system's conversion does.
  static const uint16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    uint32_t u = (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : c;
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
