#include "platform/offline/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace corvanta {

namespace {

bool Failed(std::string* error, const std::string& what, const std::string& path) {
  *error = what + " \"" + path + "\": " + std::strerror(errno);
  return false;
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
}

unsigned ModeOf(const std::string& path, unsigned fallback) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : fallback;
}

std::string OldPath(const std::string& target) {
  return target + ".old";
}

}  // namespace

bool HostFiles::WriteSynced(const std::string& path, const std::string& bytes, unsigned mode,
                            std::string* error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return Failed(error, "cannot write", path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      Failed(error, "cannot write", path);
      close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0) {
    Failed(error, "cannot sync", path);
    close(fd);
    return false;
  }
  if (close(fd) != 0) return Failed(error, "cannot write", path);
  chmod(path.c_str(), mode);  // the mode of the file it replaces, whatever the umask
  return true;
}

bool HostFiles::SyncFile(const std::string& path, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failed(error, "cannot open", path);
  const bool ok = fsync(fd) == 0;
  if (!ok) Failed(error, "cannot sync", path);
  close(fd);
  return ok;
}

bool HostFiles::Link(const std::string& from, const std::string& to, std::string* error) {
  return link(from.c_str(), to.c_str()) == 0 || Failed(error, "cannot link", to);
}

bool HostFiles::Rename(const std::string& from, const std::string& to, std::string* error) {
  return rename(from.c_str(), to.c_str()) == 0 || Failed(error, "cannot replace", to);
}

bool HostFiles::SyncFolder(const std::string& folder, std::string* error) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Failed(error, "cannot open", folder);
  const bool ok = fsync(fd) == 0;
  if (!ok) Failed(error, "cannot sync", folder);
  close(fd);
  return ok;
}

void HostFiles::Remove(const std::string& path) {
  unlink(path.c_str());
}

HostFiles& RealHostFiles() {
  static HostFiles real;
  return real;
}

AtomicReplace::~AtomicReplace() {
  if (committed_) return;
  for (const std::string& t : targets_) io_.Remove(StagingPath(t));
}

bool AtomicReplace::Stage(const std::string& target, const std::string& bytes, std::string* error) {
  const std::string fresh = StagingPath(target);
  targets_.push_back(target);
  return io_.WriteSynced(fresh, bytes, ModeOf(target, 0644), error);
}

bool AtomicReplace::StageWritten(const std::string& target, std::string* error) {
  const std::string fresh = StagingPath(target);
  targets_.push_back(target);
  chmod(fresh.c_str(), ModeOf(target, 0644));
  return io_.SyncFile(fresh, error);
}

bool AtomicReplace::Commit(std::string* error) {
  // The old files keep a second name until the new ones are on disk, so that
  // a failure on the way puts every one of them back.
  std::vector<std::string> kept;
  auto dropKept = [&] {
    for (const std::string& t : kept) io_.Remove(OldPath(t));
  };
  for (const std::string& t : targets_) {
    if (access(t.c_str(), F_OK) != 0) continue;
    io_.Remove(OldPath(t));
    if (!io_.Link(t, OldPath(t), error)) {
      dropKept();
      return false;
    }
    kept.push_back(t);
  }
  std::vector<std::string> renamed;
  auto putBack = [&] {
    std::string ignored;
    for (const std::string& t : renamed) {
      if (access(OldPath(t).c_str(), F_OK) == 0)
        io_.Rename(OldPath(t), t, &ignored);
      else
        io_.Remove(t);  // it was new
    }
  };
  for (const std::string& t : targets_) {
    if (!io_.Rename(StagingPath(t), t, error)) {
      putBack();
      dropKept();
      return false;
    }
    renamed.push_back(t);
  }
  std::set<std::string> folders;
  for (const std::string& t : targets_) folders.insert(FolderOf(t));
  for (const std::string& f : folders) {
    if (!io_.SyncFolder(f, error)) {
      putBack();
      dropKept();
      return false;
    }
  }
  committed_ = true;
  dropKept();
  return true;
}

bool ReplaceHostFile(const std::string& path, const std::string& bytes, std::string* error,
                     HostFiles& io) {
  AtomicReplace replace(io);
  return replace.Stage(path, bytes, error) && replace.Commit(error);
}

bool CreateHostFile(const std::string& path, const std::string& bytes, std::string* error,
                    HostFiles& io) {
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  if (!io.WriteSynced(temp, bytes, 0644, error)) {
    io.Remove(temp);
    return false;
  }
  const bool linked = io.Link(temp, path, error);
  io.Remove(temp);
  if (linked && !io.SyncFolder(FolderOf(path), error)) {
    io.Remove(path);
    return false;
  }
  return linked;
}

bool ReadHostFile(const std::string& path, std::string* out, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failed(error, "cannot read", path);
  out->clear();
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size > 0) out->reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Failed(error, "cannot read", path);
      close(fd);
      return false;
    }
    if (n == 0) break;
    out->append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  return true;
}

}  // namespace corvanta
