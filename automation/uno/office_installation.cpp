#include "automation/uno/office_installation.h"

#include <fstream>
#include <optional>
#include <string_view>
#include <utility>

#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

namespace fs = std::filesystem;

// Read in one piece: main.xcd is megabytes long and read at every start of an instance.
std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return std::nullopt;
    }
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(text.data(), size);
    if (in.bad() || in.gcount() != size) {
        return std::nullopt;
    }
    return text;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The value of `key=` in an ini-style file such as versionrc.
std::string IniValue(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            return std::string(Trimmed(line.substr(key.size() + 1)));
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return {};
}

// The value of the data (not the schema) entry `<prop oor:name="name"><value>…</value>` in a
// configuration file such as main.xcd: the schema's entry carries a type attribute and no value.
std::string XcdValue(std::string_view text, std::string_view name) {
    const std::string prop = "<prop oor:name=\"" + std::string(name) + "\">";
    const auto at = text.find(prop);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::string_view rest = text.substr(at + prop.size());
    constexpr std::string_view open = "<value>";
    const auto begin = rest.find(open);
    const auto end = rest.find("</value>");
    if (begin == std::string_view::npos || end == std::string_view::npos ||
        end < begin + open.size() || rest.substr(0, begin).find("</prop>") != std::string::npos) {
        return {};
    }
    return std::string(Trimmed(rest.substr(begin + open.size(), end - begin - open.size())));
}

std::string ReadValue(const fs::path& file, std::string_view name,
                      std::string (*extract)(std::string_view, std::string_view)) {
    const std::optional<std::string> text = ReadFile(file);
    if (!text) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kOfficeNotInstalledText, {file.string()}),
            texts::kInstallLibreOfficeAdvice);
    }
    std::string value = extract(*text, name);
    if (value.empty()) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kOfficeIncompleteText, {file.string(), name}),
            texts::kInstallLibreOfficeAdvice);
    }
    return value;
}

}  // namespace

OfficeInstallation::OfficeInstallation(fs::path programDirectory)
    : programDirectory_(std::move(programDirectory)) {}

OfficeInstallation OfficeInstallation::Default() {
    return OfficeInstallation(SECANT_ROOT_OFFICE_PROGRAM_DIR);
}

fs::path OfficeInstallation::OfficeBinary() const { return programDirectory_ / "soffice.bin"; }

ProfileSeed OfficeInstallation::ReadProfileSeed() const {
    ProfileSeed seed;
    seed.buildId = ReadValue(programDirectory_ / "versionrc", "buildid", IniValue);
    seed.setupVersion = ReadValue(programDirectory_.parent_path() / "share/registry/main.xcd",
                                  "ooSetupVersion", XcdValue);
    return seed;
}

}  // namespace secant_root
