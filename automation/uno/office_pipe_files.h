#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <rtl/ustring.hxx>

namespace secant_root {

// The socket files that a LibreOffice instance makes for its named pipes: the pipe it accepts
// connections on (/tmp/OSL_PIPE_<uid>_<name>) and the one that keeps a profile to a single
// instance (/tmp/OSL_PIPE_<uid>_SingleOfficeIPC_<hash of the profile URL>). An instance that
// ends normally removes them; one that is killed or crashes leaves them behind. Both names are
// known before the instance starts, so they can be removed however it ended.
//
// Removes those of the files that exist when destroyed: own it so that it outlives the process.
// Only sockets of this user are removed: a planted link or file stays where it is.
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

// Removes `path` when it is the socket of one of this user's office pipes, in /tmp or /var/tmp,
// and leaves anything else alone.
void RemoveOfficePipeSocket(const std::filesystem::path& path) noexcept;

}  // namespace secant_root
