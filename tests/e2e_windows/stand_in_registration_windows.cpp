#include "tests/e2e_windows/stand_in_registration_windows.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

namespace secant_root::testing {
namespace {

// Excel.Application and its _Application interface.
const std::wstring kClassKey = L"CLSID\\{00024500-0000-0000-C000-000000000046}";
const std::wstring kInterfaceKey = L"Interface\\{000208D5-0000-0000-C000-000000000046}";

void DeleteTree(const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        << "cannot remove HKEY_CLASSES_ROOT\\" << std::string(key.begin(), key.end());
}

// The type library that the registered interface names, read before its key goes.
std::wstring RegisteredTypeLibraryKey() {
    wchar_t library[64] = {};
    DWORD size = sizeof library;
    if (RegGetValueW(HKEY_CLASSES_ROOT, (kInterfaceKey + L"\\TypeLib").c_str(), nullptr,
                     RRF_RT_REG_SZ, nullptr, library, &size) != ERROR_SUCCESS) {
        return {};
    }
    return std::wstring(L"TypeLib\\") + library;
}

}  // namespace

StandInServerRegistration::StandInServerRegistration(const std::wstring& server) {
    Remove();
    // Registers the type library found in the program with the program's path, and with it the
    // interfaces that the type library marshaller is to carry.
    Microsoft::WRL::ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadTypeLibEx(server.c_str(), REGKIND_REGISTER, &library), S_OK)
        << "cannot register the type library of the stand-in server";

    const std::wstring command = L"\"" + server + L"\"";
    EXPECT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, (kClassKey + L"\\LocalServer32").c_str(), nullptr,
                              REG_SZ, command.c_str(),
                              static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS)
        << "cannot register the stand-in server for the spreadsheet's class";
}

StandInServerRegistration::~StandInServerRegistration() { Remove(); }

void StandInServerRegistration::Remove() {
    DeleteTree(kClassKey);
    const std::wstring library = RegisteredTypeLibraryKey();
    if (!library.empty()) {
        DeleteTree(library);
    }
    DeleteTree(kInterfaceKey);
}

StandInServerProcess::StandInServerProcess(const std::wstring& server,
                                           std::wstring_view behaviour) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const UniqueHandle ready(CreateEventW(&inherited, TRUE, FALSE, nullptr));
    std::wstring command = L"\"" + server + L"\" " + std::wstring(behaviour) + L" --ready=" +
                           std::to_wstring(reinterpret_cast<UINT_PTR>(ready.get())) +
                           L" -Embedding";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        ADD_FAILURE() << "cannot start the stand-in server: error " << GetLastError();
        return;
    }
    process_.reset(started.hProcess);
    CloseHandle(started.hThread);
    const HANDLE either[] = {ready.get(), process_.get()};
    EXPECT_EQ(WaitForMultipleObjects(2, either, FALSE, 30000), WAIT_OBJECT_0)
        << "the stand-in server did not register its class";
}

StandInServerProcess::~StandInServerProcess() { EndIfRunning(process_.get()); }

std::optional<DWORD> StandInServerProcess::WaitForExit(std::chrono::milliseconds timeout) {
    return WaitForExitStatus(process_.get(), timeout);
}

}  // namespace secant_root::testing
