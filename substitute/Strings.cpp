#include "substitute/Strings.h"

#include <cctype>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

namespace vialmark::substitute {
namespace {

struct Cache {
  std::mutex mutex;
  std::unordered_map<std::string, std::unique_ptr<char[]>> byFoldedText;
  std::set<const char*> identities;
};

// Built on first use and never destroyed: a module may intern texts during its own static
// initialisation, before or after ours, and keeps the addresses until the process ends.
Cache& TheCache() {
  static Cache* cache = new Cache;
  return *cache;
}

std::string Fold(const char* text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

}  // namespace

const char* Intern(const char* text) {
  if (text == nullptr) return nullptr;
  Cache& cache = TheCache();
  std::string key = Fold(text);
  std::lock_guard lock(cache.mutex);
  auto it = cache.byFoldedText.find(key);
  if (it != cache.byFoldedText.end()) return it->second.get();
  auto copy = std::make_unique<char[]>(key.size() + 1);
  std::char_traits<char>::copy(copy.get(), text, key.size() + 1);
  const char* identity = copy.get();
  cache.byFoldedText.emplace(std::move(key), std::move(copy));
  cache.identities.insert(identity);
  return identity;
}

bool IsInterned(const char* text) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  return cache.identities.count(text) != 0;
}

std::size_t InternedCount() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  return cache.identities.size();
}

}  // namespace vialmark::substitute
