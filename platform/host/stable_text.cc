#include "stable_text.h"

#include <mutex>
#include <set>
#include <string>

namespace hoststub {

const char *StableText(const char *text) {
  static std::mutex *mutex = new std::mutex;
  static std::set<std::string> *texts = new std::set<std::string>;  // never freed: pointers outlive tests
  std::lock_guard<std::mutex> guard(*mutex);
  return texts->insert(text).first->c_str();
}

}  // namespace hoststub
