// A file system kept in memory, with the POSIX build's conventions ("/"
// between names, names beginning with "." hidden, "." and ".." listed in
// every folder, names listed in case-folded order), so that the rules of the
// walk and of the resolution of targets are tried without a disk. A test
// may change the tree while a walk lists it (whenListed).
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/wildcard.h"
#include "platform/file_system.h"

namespace vesk::test {

class MemoryFileSystem final : public platform::FileSystem {
 public:
  enum class Kind { File, Folder, Device, FolderLink };
  struct Node {
    Kind kind = Kind::File;
    std::string bytes = {};
    bool listable = true;  // folders
    bool openable = true;  // files
    std::uint64_t index = 0;
  };

  explicit MemoryFileSystem(std::u16string current = u"/work") : current_(std::move(current)) {
    add(current_, Node{Kind::Folder});
  }

  // Paths relative to the current folder or absolute; folders above are made.
  Node& addFile(std::u16string_view path, std::string bytes) {
    return add(absolute(path), Node{Kind::File, std::move(bytes)});
  }
  Node& addFolder(std::u16string_view path) { return add(absolute(path), Node{Kind::Folder}); }
  Node& addDevice(std::u16string_view path) { return add(absolute(path), Node{Kind::Device}); }
  Node& addFolderLink(std::u16string_view path) {
    return add(absolute(path), Node{Kind::FolderLink});
  }
  void remove(std::u16string_view path) {
    const std::u16string full = absolute(path);
    std::erase_if(nodes_, [&](const auto& node) {
      return node.first == full || node.first.starts_with(full + u"/");
    });
  }
  Node& node(std::u16string_view path) { return nodes_.at(absolute(path)); }

  // Runs before a folder is listed, with its full path ending in "/".
  std::function<void(std::u16string_view folder)> whenListed;

  std::optional<platform::FileAttributes> attributes(std::u16string_view path) const override {
    if (hasWildcard(path)) return std::nullopt;
    const auto found = nodes_.find(absolute(path));
    if (found == nodes_.end()) return std::nullopt;
    const Kind kind = found->second.kind;
    return platform::FileAttributes{kind == Kind::Folder || kind == Kind::FolderLink,
                                    kind == Kind::Device};
  }

  std::optional<std::u16string> fullPath(std::u16string_view path) const override {
    if (path.empty()) return std::nullopt;
    std::u16string full = absolute(path);
    if (path.back() == u'/') full += u'/';
    return full;
  }

  platform::Listing list(std::u16string_view pathPattern,
                         std::vector<platform::DirectoryEntry>& entries) const override {
    entries.clear();
    const std::size_t slash = pathPattern.rfind(u'/');
    const std::u16string folder = absolute(pathPattern.substr(0, slash + 1));
    const std::u16string_view pattern = pathPattern.substr(slash + 1);
    if (whenListed) whenListed(folder + u"/");
    const auto found = nodes_.find(folder);
    if (found == nodes_.end() || found->second.kind != Kind::Folder) {
      return platform::Listing::Gone;
    }
    if (!found->second.listable) return platform::Listing::Failed;
    for (const std::u16string_view dots : {u".", u".."}) {
      if (matchesWildcard(pattern, dots)) entries.push_back(entryFor(dots, Kind::Folder));
    }
    for (const auto& [path, node] : nodes_) {
      if (!isChild(folder, path)) continue;
      const std::u16string_view name = std::u16string_view(path).substr(folder.size() + 1);
      if (matchesWildcard(pattern, name)) entries.push_back(entryFor(name, node.kind));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return asciiLowerString(a.name) < asciiLowerString(b.name);
    });
    return entries.empty() ? platform::Listing::NoMatch : platform::Listing::Found;
  }

  // As the POSIX build does: the folder is read once where it can be.
  void listForWalk(std::u16string_view folder, std::u16string_view pattern, bool everyEntry,
                   platform::WalkListing& listing) const override {
    const std::u16string base(folder);
    listing.all = platform::Listing::NoMatch;
    listing.entries.clear();
    listing.matching = list(base + std::u16string(pattern), listing.matches);
    const bool listed = listing.matching == platform::Listing::Found ||
                        listing.matching == platform::Listing::NoMatch;
    if (everyEntry && listed) listing.all = list(base + u"*", listing.entries);
  }

  std::optional<platform::OpenedInput> open(std::u16string_view path) const override {
    const auto found = nodes_.find(absolute(path));
    if (found == nodes_.end() || found->second.kind != Kind::File || !found->second.openable) {
      return std::nullopt;
    }
    return platform::OpenedInput{std::nullopt, found->second.bytes,
                                 platform::FileIdentity{1, found->second.index, 0}};
  }

  platform::FileIdentity identity(std::u16string_view path) const {
    return platform::FileIdentity{1, nodes_.at(absolute(path)).index, 0};
  }

 private:
  static std::u16string asciiLowerString(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& c : lower) c = asciiLower(c);
    return lower;
  }

  static platform::DirectoryEntry entryFor(std::u16string_view name, Kind kind) {
    platform::DirectoryEntry entry;
    entry.name = name;
    entry.isFolder = kind == Kind::Folder;
    entry.isFolderLink = kind == Kind::FolderLink;
    entry.isHidden = name.starts_with(u'.');
    entry.isSystem = kind == Kind::Device;
    return entry;
  }

  static bool isChild(std::u16string_view folder, std::u16string_view path) {
    return path.size() > folder.size() + 1 && path.starts_with(folder) &&
           path[folder.size()] == u'/' &&
           path.find(u'/', folder.size() + 1) == std::u16string_view::npos;
  }

  // The full path without "." and "..", without a final "/".
  std::u16string absolute(std::u16string_view path) const {
    std::u16string joined =
        path.starts_with(u'/') ? std::u16string(path) : current_ + u"/" + std::u16string(path);
    std::vector<std::u16string> parts;
    std::size_t at = 0;
    while (at <= joined.size()) {
      const std::size_t next = std::min(joined.find(u'/', at), joined.size());
      const std::u16string part = joined.substr(at, next - at);
      if (part == u"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != u".") {
        parts.push_back(part);
      }
      at = next + 1;
    }
    std::u16string result;
    for (const std::u16string& part : parts) result += u"/" + part;
    return result.empty() ? u"/" : result;
  }

  Node& add(const std::u16string& full, Node node) {
    for (std::size_t slash = full.find(u'/', 1); slash != std::u16string::npos;
         slash = full.find(u'/', slash + 1)) {
      nodes_.try_emplace(full.substr(0, slash), Node{Kind::Folder});
    }
    node.index = ++files_;
    return nodes_[full] = std::move(node);
  }

  std::u16string current_;
  std::map<std::u16string, Node> nodes_;
  std::uint64_t files_ = 0;
};

}  // namespace vesk::test
