// The element tree's readers and writers on generated configuration trees of
// 1,000, 10,000 and 100,000 leaves shaped like real ones (at most 64
// children per branch, tables of numbered instances, attributes), each
// figure beside its baseline in the same run:
//   - XML read beside expat parsing the same bytes with empty handlers (the
//     floor of any reader on expat); goal: at most 3 times the floor;
//   - dot text read beside XML read of the same tree; goal: no slower;
//   - XML, dot text and configuration-text output in bytes per second;
//   - the cost per leaf (items per second) from 1,000 to 100,000 leaves,
//     and apart from it the wide case: 10,000 siblings under one branch.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "host/log.h"
#include "ncTree.h"

namespace {

// A configuration tree: sections of groups, settings with values and some
// attributes, and tables whose entries hold the same settings.
class ConfigTree {
 public:
  // leaves: how many leaves in all; wide: all of them under one branch.
  ConfigTree(int leaves, bool wide) : tree_(ncCreatePrivate("VOIP_CONFIG_FILE")) {
    tree_->root = ncCreateElement("VOIP_CONFIG_FILE");
    Leaf(tree_->root, "Version", "2.0.1");
    if (wide) {
      ncElement *branch = Child(tree_->root, "Wide");
      for (int i = 0; i < leaves - 1; ++i) Leaf(branch, "setting" + std::to_string(i), Value(i));
      return;
    }
    for (int section = 0; made_ < leaves; ++section) {
      ncElement *s = Child(tree_->root, "Section" + std::to_string(section));
      for (int group = 0; group < 48 && made_ < leaves; ++group) {
        if (group % 4 == 3) {
          Table(s, "Table" + std::to_string(group), leaves);
        } else {
          ncElement *g = Child(s, "Group" + std::to_string(group));
          ncSetElementAttr(g, "mode", group % 2 == 0 ? "rw" : "ro");
          for (int k = 0; k < 24 && made_ < leaves; ++k) Leaf(g, "Key_" + std::to_string(k), Value(made_));
        }
      }
    }
  }
  ~ConfigTree() { ncDestroy(tree_); }
  ConfigTree(const ConfigTree &) = delete;
  ConfigTree &operator=(const ConfigTree &) = delete;

  ncHandle *handle() const { return tree_; }
  int leaves() const { return made_; }

  std::string Text(int format) const {
    char *text = nullptr;
    if (ncOutputToBuf(tree_, &text, format) != 0) return "";
    std::string out = text;
    uFree(text);
    return out;
  }

 private:
  static std::string Value(int i) { return "value " + std::to_string(i * 7919 % 100000) + " & more"; }

  static ncElement *Child(ncElement *parent, const std::string &name) {
    ncElement *child = ncCreateElement(name.c_str());
    ncElementAddChild(parent, child);
    return child;
  }

  void Leaf(ncElement *parent, const std::string &name, const std::string &value) {
    ncElement *leaf = Child(parent, name);
    ncSetElementValue(leaf, value.c_str());
    if (made_ % 5 == 0) ncSetElementAttr(leaf, "type", "string");
    ++made_;
  }

  // A table of 8 entries, each holding 6 settings.
  void Table(ncElement *section, const std::string &name, int leaves) {
    ncElement *table = Child(section, name);
    for (int entry = 1; entry <= 8 && made_ < leaves; ++entry) {
      ncElement *instance = Child(table, std::to_string(entry));
      ncSetElementAttr(instance, "instance", "auto");
      for (int k = 0; k < 6 && made_ < leaves; ++k) Leaf(instance, "Cell" + std::to_string(k), Value(made_));
    }
  }

  ncHandle *tree_;
  int made_ = 0;
};

// One tree and its texts per shape, made once.
struct Fixture {
  std::unique_ptr<ConfigTree> tree;
  std::string xml;
  std::string dot;
};

const Fixture &FixtureFor(int leaves, bool wide) {
  static std::map<std::pair<int, bool>, Fixture> fixtures;
  Fixture &fixture = fixtures[{leaves, wide}];
  if (!fixture.tree) {
    hostLogSetThreshold(-1);
    ncInit();
    fixture.tree = std::make_unique<ConfigTree>(leaves, wide);
    fixture.xml = fixture.tree->Text(NC_OUTPUT_XML);
    fixture.dot = fixture.tree->Text(NC_OUTPUT_DOT);
  }
  return fixture;
}

void XMLCALL NoStart(void *, const XML_Char *, const XML_Char **) {}
void XMLCALL NoEnd(void *, const XML_Char *) {}
void XMLCALL NoText(void *, const XML_Char *, int) {}

// Expat alone, with handlers that do nothing, in the reader's 512-byte pieces.
void ExpatFloor(benchmark::State &state, bool wide) {
  const Fixture &fixture = FixtureFor(static_cast<int>(state.range(0)), wide);
  for (auto _ : state) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, NoStart, NoEnd);
    XML_SetCharacterDataHandler(parser, NoText);
    const std::string &xml = fixture.xml;
    size_t at = 0;
    for (; at + 512 <= xml.size(); at += 512) XML_Parse(parser, xml.data() + at, 512, XML_FALSE);
    if (XML_Parse(parser, xml.data() + at, static_cast<int>(xml.size() - at), XML_TRUE) != XML_STATUS_OK)
      state.SkipWithError("expat failed");
    XML_ParserFree(parser);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fixture.xml.size()));
  state.SetItemsProcessed(state.iterations() * fixture.tree->leaves());
}

// The library reading the text into an empty tree (destroying it is not timed).
void Read(benchmark::State &state, bool wide, int format) {
  const Fixture &fixture = FixtureFor(static_cast<int>(state.range(0)), wide);
  const std::string &text = format == NC_FORMAT_XML ? fixture.xml : fixture.dot;
  for (auto _ : state) {
    ncHandle *tree = ncCreatePrivate("VOIP_CONFIG_FILE");
    if (ncParseFromBuf(tree, text.c_str(), format) != 0) state.SkipWithError("read failed");
    state.PauseTiming();
    ncDestroy(tree);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.SetItemsProcessed(state.iterations() * fixture.tree->leaves());
}

void Write(benchmark::State &state, bool wide, int format) {
  const Fixture &fixture = FixtureFor(static_cast<int>(state.range(0)), wide);
  size_t bytes = 0;
  for (auto _ : state) {
    char *text = nullptr;
    if (ncOutputToBuf(fixture.tree->handle(), &text, format) != 0) state.SkipWithError("write failed");
    bytes = std::strlen(text);
    uFree(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.SetItemsProcessed(state.iterations() * fixture.tree->leaves());
}

void BM_ExpatFloor(benchmark::State &state) { ExpatFloor(state, false); }
void BM_XmlRead(benchmark::State &state) { Read(state, false, NC_FORMAT_XML); }
void BM_DotRead(benchmark::State &state) { Read(state, false, NC_FORMAT_DOT); }
void BM_XmlWrite(benchmark::State &state) { Write(state, false, NC_OUTPUT_XML); }
void BM_DotWrite(benchmark::State &state) { Write(state, false, NC_OUTPUT_DOT); }
void BM_CfgTextWrite(benchmark::State &state) { Write(state, false, NC_OUTPUT_CONFIG_TEXT); }
void BM_Wide_ExpatFloor(benchmark::State &state) { ExpatFloor(state, true); }
void BM_Wide_XmlRead(benchmark::State &state) { Read(state, true, NC_FORMAT_XML); }
void BM_Wide_DotRead(benchmark::State &state) { Read(state, true, NC_FORMAT_DOT); }
void BM_Wide_XmlWrite(benchmark::State &state) { Write(state, true, NC_OUTPUT_XML); }
void BM_Wide_DotWrite(benchmark::State &state) { Write(state, true, NC_OUTPUT_DOT); }

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_ExpatFloor) SIZES;
BENCHMARK(BM_XmlRead) SIZES;
BENCHMARK(BM_DotRead) SIZES;
BENCHMARK(BM_XmlWrite) SIZES;
BENCHMARK(BM_DotWrite) SIZES;
BENCHMARK(BM_CfgTextWrite) SIZES;
BENCHMARK(BM_Wide_ExpatFloor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wide_XmlRead)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wide_DotRead)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wide_XmlWrite)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wide_DotWrite)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
