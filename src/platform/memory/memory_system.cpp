#include "platform/memory/memory_system.h"

namespace corvanta {

namespace {

std::string UpperText(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

}  // namespace

MemorySystem::MemorySystem() {
  start_ = LocalDateTime{2026, 12, 7, 2, 20, 51, 0};
  version_ = OsVersion{2, 5, 1, 2600, "Service Pack 3"};
}

void MemorySystem::SetNow(const LocalDateTime& now) {
  start_ = now;
  elapsedMs_ = 0;
}

void MemorySystem::AddLibrary(const std::string& library) {
  libraries_[UpperText(library)];
}

void MemorySystem::AddRestoreLibrary(const std::string& library, const std::string& entry,
                                     bool creates) {
  libraries_[UpperText(library)][entry] = creates;
}

std::string MemorySystem::ExecutableFolder() {
  const size_t cut = executablePath_.find_last_of("\\/:");
  return cut == std::string::npos ? std::string() : executablePath_.substr(0, cut + 1);
}

LocalDateTime MemorySystem::Now() {
  const int64_t startMs =
      ((DaysFromCivil(start_.year, start_.month, start_.day) * 24 + start_.hour) * 60 +
       start_.minute) *
          60000 +
      start_.second * 1000 + start_.ms;
  const int64_t t = startMs + static_cast<int64_t>(elapsedMs_);
  int64_t days = t / 86400000;
  int64_t rest = t % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  LocalDateTime out;
  CivilFromDays(days, &out.year, &out.month, &out.day);
  out.hour = static_cast<int>(rest / 3600000);
  out.minute = static_cast<int>(rest / 60000 % 60);
  out.second = static_cast<int>(rest / 1000 % 60);
  out.ms = static_cast<int>(rest % 1000);
  return out;
}

void MemorySystem::Sleep(uint32_t ms) {
  sleeps_.push_back(ms);
  elapsedMs_ += ms;
}

RestorePointResult MemorySystem::CallRestorePoint(const std::string& library,
                                                  const std::string& entry,
                                                  const RestorePointRequest& req) {
  libraryLoads_.push_back(library);
  auto lib = libraries_.find(UpperText(library));
  if (lib == libraries_.end()) return RestorePointResult::LibraryMissing;
  auto fn = lib->second.find(entry);  // entry names are case-sensitive
  if (fn == lib->second.end()) return RestorePointResult::EntryMissing;
  restorePointCalls_.push_back({library, entry, req});
  return fn->second ? RestorePointResult::Created : RestorePointResult::Refused;
}

std::string MemorySystem::EnvironmentVariable(const std::string& name) {
  const auto it = environment_.find(name);
  return it == environment_.end() ? std::string() : it->second;
}

}  // namespace corvanta
