// Configuration library stand-in: registrations, settings read from one
// configuration file, and changes carried out on the library's own thread.
// The rules are written in host/config.h and platform/config.h.
#include "host/config.h"
#include "platform/config.h"
#include "platform/runtime.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// One registered module: its record and tables as registered, and the
// strings this library stored into its data block (one per item, owned).
struct Module {
  moduleConfigInfo info{};
  std::vector<moduleConfigItem> items;
  std::vector<moduleConfigHook> hooks;
  std::vector<char *> stored;

  ~Module() {
    for (char *value : stored) uFree(value);
  }

  char *&Slot(size_t item) const { return *static_cast<char **>(items[item].value); }

  // The item's value inside a copy of the data block.
  const char *ValueIn(const void *copy, size_t item) const {
    auto offset = static_cast<const char *>(items[item].value) - static_cast<const char *>(info.data);
    return *reinterpret_cast<char *const *>(static_cast<const char *>(copy) + offset);
  }

  std::optional<size_t> FindItem(std::string_view key) const {
    for (size_t i = 0; i < items.size(); ++i) {
      if (key == items[i].key) return i;
    }
    return std::nullopt;
  }

  bool Enabled() const { return info.enabled == nullptr || *info.enabled != 0; }

  // Stores values (owned strings, one per item) into the data block: lock,
  // reset, store, unlock. The caller frees the strings it replaced.
  void Store(const std::vector<char *> &values) {
    info.lockFunc();
    info.resetFunc();
    for (size_t i = 0; i < items.size(); ++i) Slot(i) = values[i];
    info.unlockFunc();
    stored = values;
  }

  // Reads one value through the module's copy function. Null when the copy
  // failed; otherwise the value ("" for a null setting).
  std::optional<std::string> Read(size_t item) const {
    info.lockFunc();
    void *copy = info.copyFunc != nullptr ? info.copyFunc() : nullptr;
    info.unlockFunc();
    if (copy == nullptr) return std::nullopt;
    const char *value = ValueIn(copy, item);
    std::string result = value != nullptr ? value : "";
    if (info.copyFreeFunc != nullptr) info.copyFreeFunc(copy);
    return result;
  }

  template <typename Pick>
  bool RunHooks(std::string_view key, Pick pick) const {
    for (const moduleConfigHook &hook : hooks) {
      if (hook.key != nullptr && key != hook.key) continue;
      moduleConfigHookFunc func = pick(hook);
      if (func != nullptr && func() != 0) return false;
    }
    return true;
  }
};

struct Change {
  std::shared_ptr<Module> module;
  size_t item;
  std::optional<std::string> value;
};

struct ConfigService {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable idle;
  std::string file = HOST_CONFIG_DEFAULT_FILE;
  std::map<std::string, std::string> aliases;  // alias -> module name
  std::map<std::string, std::shared_ptr<Module>> modules;
  std::deque<Change> queue;
  bool threadStarted = false;
  bool busy = false;

  std::shared_ptr<Module> FindLocked(const char *name) {
    if (name == nullptr) return nullptr;
    auto it = modules.find(name);
    if (it == modules.end()) {
      auto alias = aliases.find(name);
      if (alias != aliases.end()) it = modules.find(alias->second);
    }
    return it == modules.end() ? nullptr : it->second;
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return !queue.empty(); });
      Change change = std::move(queue.front());
      queue.pop_front();
      busy = true;
      lock.unlock();
      Apply(change);
      lock.lock();
      busy = false;
      if (queue.empty()) idle.notify_all();
    }
  }

  static void Apply(const Change &change) {
    Module &m = *change.module;
    if (!m.Enabled()) return;
    const moduleConfigItem &item = m.items[change.item];
    std::string_view key = item.key;
    std::optional<std::string> current = m.Read(change.item);
    std::optional<std::string> wanted = change.value;
    if (wanted && item.maxLength > 0 && wanted->size() > static_cast<size_t>(item.maxLength) - 1)
      wanted->resize(static_cast<size_t>(item.maxLength) - 1);
    if (current && *current == wanted.value_or("")) return;
    if (!m.RunHooks(key, [](const moduleConfigHook &h) { return h.checkFunc; })) return;
    m.RunHooks(key, [](const moduleConfigHook &h) { return h.prepareFunc; });
    char *copy = wanted ? uStrGetCopy(wanted->c_str()) : nullptr;
    if (wanted && copy == nullptr) return;  // out of memory: the old value stays
    std::vector<char *> values = m.stored;
    char *old = values[change.item];
    values[change.item] = copy;
    m.Store(values);
    uFree(old);
    m.RunHooks(key, [](const moduleConfigHook &h) { return h.applyFunc; });
  }
};

ConfigService &Service() {
  static ConfigService *service = new ConfigService;  // its thread never ends
  return *service;
}

// The value of the first line that begins with key, cut to maxLength - 1.
std::optional<std::string> ValueInFile(const std::string &text, std::string_view key, int maxLength) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, key.size()) == key) {
      std::string value(line.substr(key.size()));
      if (maxLength > 0 && value.size() > static_cast<size_t>(maxLength) - 1) value.resize(static_cast<size_t>(maxLength) - 1);
      return value;
    }
    start = end + 1;
  }
  return std::nullopt;
}

bool ItemUsable(const moduleConfigInfo &info, const moduleConfigItem &item) {
  auto *begin = static_cast<const char *>(info.data);
  auto *at = static_cast<const char *>(item.value);
  return item.key != nullptr && item.type == CONFIG_ITEM_TYPE_STRING && at >= begin &&
         at + sizeof(char *) <= begin + info.dataSize;
}

bool RecordUsable(const moduleConfigInfo &info) {
  if (strnlen(info.name, sizeof info.name) == 0 || strnlen(info.name, sizeof info.name) == sizeof info.name)
    return false;
  if (info.lockFunc == nullptr || info.unlockFunc == nullptr || info.resetFunc == nullptr) return false;
  if (info.data == nullptr || info.dataSize <= 0 || info.itemCount < 0 || info.hookCount < 0) return false;
  if ((info.itemCount > 0 && info.items == nullptr) || (info.hookCount > 0 && info.hooks == nullptr)) return false;
  for (int i = 0; i < info.itemCount; ++i) {
    if (!ItemUsable(info, info.items[i])) return false;
  }
  return true;
}

void CopyText(char *dest, int size, const std::string &text) {
  if (dest != nullptr && size > 0) uStrSafeCopy(dest, size, text.c_str());
}

}  // namespace

extern "C" {

int addModuleAlias(const moduleAliasInfo *alias) {
  if (alias == nullptr) return -1;
  std::string name(alias->name, strnlen(alias->name, sizeof alias->name));
  std::string other(alias->alias, strnlen(alias->alias, sizeof alias->alias));
  if (name.empty() || other.empty()) return -1;
  ConfigService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.aliases[other] = name;
  return 0;
}

int moduleConfigRegister(const moduleConfigInfo *info) {
  if (info == nullptr || !RecordUsable(*info)) return -1;
  auto module = std::make_shared<Module>();
  module->info = *info;
  module->items.assign(info->items, info->items + info->itemCount);
  if (info->hookCount > 0) module->hooks.assign(info->hooks, info->hooks + info->hookCount);
  module->info.items = module->items.data();
  module->info.hooks = module->hooks.empty() ? nullptr : module->hooks.data();

  ConfigService &s = Service();
  std::string path;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    path = s.file;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::vector<char *> values;
  bool outOfMemory = false;
  for (const moduleConfigItem &item : module->items) {
    std::optional<std::string> value = ValueInFile(text, item.key, item.maxLength);
    char *copy = value ? uStrGetCopy(value->c_str()) : nullptr;
    outOfMemory = outOfMemory || (value && copy == nullptr);
    values.push_back(copy);
  }
  if (outOfMemory) {
    for (char *value : values) uFree(value);
    return -1;
  }
  module->Store(values);

  std::lock_guard<std::mutex> guard(s.mutex);
  // A module registered again replaces its registration; the strings of the
  // old one were just replaced in the data block and go with it.
  s.modules[std::string(info->name)] = std::move(module);
  return 0;
}

void hostConfigSetFile(const char *path) {
  ConfigService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  s.file = path != nullptr ? path : HOST_CONFIG_DEFAULT_FILE;
}

int hostConfigSet(const char *module, const char *key, const char *value) {
  if (key == nullptr) return -1;
  ConfigService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  std::shared_ptr<Module> m = s.FindLocked(module);
  if (m == nullptr) return -1;
  std::optional<size_t> item = m->FindItem(key);
  if (!item) return -1;
  std::optional<std::string> wanted;
  if (value != nullptr) wanted = value;
  s.queue.push_back({m, *item, wanted});
  if (!s.threadStarted) {
    s.threadStarted = true;
    std::thread([&s] { s.Run(); }).detach();
  }
  s.wake.notify_one();
  return 0;
}

void hostConfigDrain(void) {
  ConfigService &s = Service();
  std::unique_lock<std::mutex> lock(s.mutex);
  s.idle.wait(lock, [&s] { return s.queue.empty() && !s.busy; });
}

int hostConfigGet(const char *module, const char *key, char *value, int size) {
  if (key == nullptr) return -1;
  ConfigService &s = Service();
  std::shared_ptr<Module> m;
  {
    std::lock_guard<std::mutex> guard(s.mutex);
    m = s.FindLocked(module);
  }
  if (m == nullptr) return -1;
  std::optional<size_t> item = m->FindItem(key);
  if (!item) return -1;
  std::optional<std::string> current = m->Read(*item);
  if (!current) return -1;
  CopyText(value, size, *current);
  return 0;
}

int hostConfigAliasGet(const char *alias, char *name, int size) {
  if (alias == nullptr) return -1;
  ConfigService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  auto it = s.aliases.find(alias);
  if (it == s.aliases.end()) return -1;
  CopyText(name, size, it->second);
  return 0;
}

int hostConfigRegistrationGet(const char *module, moduleConfigInfo *info) {
  if (info == nullptr) return -1;
  ConfigService &s = Service();
  std::lock_guard<std::mutex> guard(s.mutex);
  std::shared_ptr<Module> m = s.FindLocked(module);
  if (m == nullptr) return -1;
  *info = m->info;
  return 0;
}

}  // extern "C"
