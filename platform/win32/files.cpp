#include "platform/files.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "platform/win32/wide.h"

namespace vesk::platform {
namespace {

std::optional<std::uint64_t> sizeOf(HANDLE handle) {
  LARGE_INTEGER size;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace

std::optional<InputFile> InputFile::open(std::u16string_view path) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open, as wanted.
  HANDLE handle = CreateFileW(win32::wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  return InputFile(FileHandle{reinterpret_cast<std::intptr_t>(handle), sizeOf(handle)});
}

void InputFile::close() {
  if (handle_.value != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_.value));
  handle_ = FileHandle{};
}

FileHandle standardInput() {
  return FileHandle{reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE)), std::nullopt};
}

ReadResult readFile(FileHandle file, char* buffer, std::size_t size) {
  HANDLE handle = reinterpret_cast<HANDLE>(file.value);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return {};  // no standard input at all
  DWORD count = 0;
  const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
  if (ReadFile(handle, buffer, chunk, &count, nullptr)) return ReadResult{count, false};
  // The writing end of a pipe closed: that is the end of the input.
  return ReadResult{0, GetLastError() != ERROR_BROKEN_PIPE};
}

bool readMayWait(FileHandle file) {
  HANDLE handle = reinterpret_cast<HANDLE>(file.value);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR:  // a console: the user types at their own pace
      return true;
    case FILE_TYPE_PIPE: {
      DWORD available = 0;
      return PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) && available == 0;
    }
    default:
      return false;
  }
}

namespace {

// The 128-bit file id where the system has it (Windows 8 on); the older
// information otherwise.
std::optional<FileIdentity> identityOfHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      GetFileType(handle) != FILE_TYPE_DISK) {
    return std::nullopt;
  }
  FILE_ID_INFO id;
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    std::uint64_t halves[2];
    static_assert(sizeof halves == sizeof id.FileId.Identifier);
    std::memcpy(halves, id.FileId.Identifier, sizeof halves);
    return FileIdentity{id.VolumeSerialNumber, halves[0], halves[1]};
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return std::nullopt;
  if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow,
                      0};
}

}  // namespace

// Wine says no volume for the standard handles it makes of the POSIX
// descriptors it was given, and the right one for files it opens; a volume
// of 0 is taken as unknown, and the file index alone decides.
bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  const bool sameVolume = a.volume == b.volume || a.volume == 0 || b.volume == 0;
  return sameVolume && a.file == b.file && a.fileHigh == b.fileHigh;
}

std::optional<FileIdentity> fileIdentity(FileHandle file) {
  return identityOfHandle(reinterpret_cast<HANDLE>(file.value));
}

std::optional<FileIdentity> standardOutputFile() {
  return identityOfHandle(GetStdHandle(STD_OUTPUT_HANDLE));
}

}  // namespace vesk::platform
