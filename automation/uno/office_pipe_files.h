#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <rtl/ustring.hxx>

namespace secant_root {

// The name of the socket file of this user's pipe `name`: OSL_PIPE_<uid>_<name>.
std::string OfficePipeFileName(const std::string& name);

// Where LibreOffice makes the socket of this user's pipe `name`: /tmp/OSL_PIPE_<uid>_<name>, or
// the same in /var/tmp when /tmp is not writable.
std::filesystem::path OfficePipePath(const std::string& name);

// The socket files of an instance's pipes: the one it accepts connections on and the one that
// keeps its profile to a single instance. A killed or crashed instance leaves them behind; both
// names are known before it starts, so they are removed however it ended. Own it so that it
// outlives the process.
class OfficePipeFiles {
  public:
    OfficePipeFiles(const std::string& pipeName, const rtl::OUString& userInstallationUrl);
    ~OfficePipeFiles();
    OfficePipeFiles(const OfficePipeFiles&) = delete;
    OfficePipeFiles& operator=(const OfficePipeFiles&) = delete;

    const std::vector<std::filesystem::path>& paths() const { return paths_; }

  private:
    std::vector<std::filesystem::path> paths_;
};

// The name of the pipe that keeps the profile `userInstallationUrl` to a single instance:
// "SingleOfficeIPC_" and the MD5 digest of the URL's UTF-16 code units, each byte written in
// hexadecimal without a leading zero, as LibreOffice derives it.
std::string SingleInstancePipeName(const rtl::OUString& userInstallationUrl);

// Removes `path` when it is the socket of one of this user's office pipes, and leaves anything
// else alone (a planted link or file among them).
void RemoveOfficePipeSocket(const std::filesystem::path& path) noexcept;

}  // namespace secant_root
