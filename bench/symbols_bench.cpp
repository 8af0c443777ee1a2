// Symbol table at the scale of a large code base: 5,000 units of 200 interface
// symbols (some names shared by many units), five classes of eight methods
// each, every unit using 50 others in two uses clauses. Measures building the
// table (pass-0 and pass-1 adders, sort, the first visible list) and building
// and querying the visible symbols of every unit, beside the literal
// re-sort-per-clause list on a few units for comparison.
//   ninja -C build-sym symbols_bench && build-sym/bin/symbols_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "compare.h"
#include "symbols.h"

namespace corvanet {
namespace {

constexpr int UnitCount = 5000;
constexpr int SymbolsPerUnit = 200;
constexpr int SharedPerUnit = 20;  // of the 200, drawn from a pool every unit may declare
constexpr int SharedPool = 400;
constexpr int ClassesPerUnit = 5;
constexpr int MethodsPerClass = 8;
constexpr int UsesPerUnit = 50;
constexpr int InterfaceUses = 20;  // the rest are in the implementation clause
constexpr int LookupsPerUnit = 1000;

struct TCorpus {
    std::vector<std::string> Paths;
    std::vector<std::vector<std::string>> Symbols;  // per unit, in declaration order
    std::vector<std::vector<int>> Uses;             // per unit: registration numbers of used units
    std::vector<std::vector<std::string>> Lookups;  // per unit: names met in its text

    TCorpus() {
        std::mt19937 random(2024);
        for (int u = 0; u < UnitCount; ++u) {
            Paths.push_back("src\\units\\Unit" + std::to_string(u) + ".pas");
            auto& names = Symbols.emplace_back();
            for (int s = 0; s < SymbolsPerUnit - SharedPerUnit; ++s)
                names.push_back("U" + std::to_string(u) + "Symbol" + std::to_string(s));
            for (int s = 0; s < SharedPerUnit; ++s) names.push_back("Shared" + std::to_string(random() % SharedPool));
            std::shuffle(names.begin(), names.end(), random);
            auto& uses = Uses.emplace_back();
            while (uses.size() < UsesPerUnit) {
                const int used = static_cast<int>(random() % UnitCount);
                if (used != u && std::find(uses.begin(), uses.end(), used) == uses.end()) uses.push_back(used);
            }
        }
        for (int u = 0; u < UnitCount; ++u) Lookups.push_back(MakeLookups(u, random));
    }

    // Half visible names in any letter case, a quarter declared in units not
    // used, a quarter declared nowhere (locals, fields, library names).
    std::vector<std::string> MakeLookups(int Unit, std::mt19937& Random) const {
        std::vector<std::string> names;
        for (int i = 0; i < LookupsPerUnit; ++i) {
            const unsigned pick = Random() % 4;
            if (pick < 2) {
                const int from = Random() % 5 == 0 ? Unit : Uses[Unit][Random() % UsesPerUnit];
                names.push_back(LowerAscii(Symbols[from][Random() % SymbolsPerUnit]));
            } else if (pick == 2) {
                names.push_back(Symbols[Random() % UnitCount][Random() % SymbolsPerUnit]);
            } else {
                names.push_back("Local" + std::to_string(Random() % 5000));
            }
        }
        return names;
    }
};

const TCorpus& Corpus() {
    static const TCorpus corpus;
    return corpus;
}

// Passes 0 and 1 over the corpus, then the sort.
void FillTable(TSymbolTable& Table, std::uint8_t& Pass, const TCorpus& Corpus) {
    Table.CreateUnitList();
    Pass = 0;
    for (const auto& path : Corpus.Paths) Table.AddUnit(path);
    Pass = 1;
    for (int u = 0; u < UnitCount; ++u) {
        Table.CurrentUnit = "Unit" + std::to_string(u);
        for (const auto& name : Corpus.Symbols[u]) Table.AddSymbol(Table.CurrentUnit, name, skType);
        Table.SetLastSymbolKind(skRecord);
        for (int c = 0; c < ClassesPerUnit; ++c) {
            const std::string& owner = Corpus.Symbols[u][c];
            Table.AddClass(Table.CurrentUnit, owner);
            for (int m = 0; m < MethodsPerClass; ++m)
                Table.AddMember(Table.CurrentUnit, owner, "Method" + std::to_string(m), skProcedure);
        }
    }
    Table.SortSymbolTable();
}

// The indexes of one unit's uses clauses, as FindUnit gives them in pass 2.
std::vector<int> ClauseIndexes(const TSymbolTable& Table, const TCorpus& Corpus, int Unit, bool Interface) {
    const auto& uses = Corpus.Uses[Unit];
    const auto first = uses.begin() + (Interface ? 0 : InterfaceUses);
    const auto last = Interface ? uses.begin() + InterfaceUses : uses.end();
    std::vector<int> indexes;
    for (auto used = first; used != last; ++used) indexes.push_back(Table.FindUnit("Unit" + std::to_string(*used)));
    return indexes;
}

void BM_BuildTable(benchmark::State& State) {
    const TCorpus& corpus = Corpus();
    std::uint8_t pass = 0;
    TSymbolTable table(pass);
    for (auto _ : State) {
        FillTable(table, pass, corpus);
        pass = 2;
        table.BeginVisibleSymbols({0});  // the first list also builds the key index
        table.FreeVisibleSymbols();
        benchmark::DoNotOptimize(table.CountEntries());
    }
    State.counters["entries"] = static_cast<double>(table.CountEntries());
}
BENCHMARK(BM_BuildTable)->Unit(benchmark::kMillisecond)->Iterations(3);

struct TUnitPlan {
    int Self;
    std::vector<int> Interface, Implementation;
};

std::vector<TUnitPlan> PlanUnits(const TSymbolTable& Table, const TCorpus& Corpus, int Units) {
    std::vector<TUnitPlan> plans;
    for (int u = 0; u < Units; ++u)
        plans.push_back({Table.FindUnit("Unit" + std::to_string(u)), ClauseIndexes(Table, Corpus, u, true),
                         ClauseIndexes(Table, Corpus, u, false)});
    return plans;
}

// A filled and sorted table and the pass-2 plan of its first Units units.
struct TPass2Setup {
    std::uint8_t Pass = 0;
    TSymbolTable Table{Pass};
    std::vector<TUnitPlan> Plans;

    explicit TPass2Setup(std::int64_t Units) {
        FillTable(Table, Pass, Corpus());
        Plans = PlanUnits(Table, Corpus(), static_cast<int>(Units));
        Pass = 2;
    }
};

// Pass 2 over the first range(0) units: the visible list of each, grown by its
// two clauses, and LookupsPerUnit searches in it unless range(1) is 0.
void BM_VisibleSymbols(benchmark::State& State) {
    const TCorpus& corpus = Corpus();
    TPass2Setup setup(State.range(0));
    auto& table = setup.Table;
    const auto& plans = setup.Plans;
    const bool lookups = State.range(1) != 0;
    table.BeginVisibleSymbols({0});  // the key hashes are part of the table's build
    std::size_t found = 0;
    for (auto _ : State) {
        found = 0;
        for (const auto& plan : plans) {
            table.BeginVisibleSymbols({plan.Self});
            table.AddVisibleUnits(plan.Interface);
            table.AddVisibleUnits(plan.Implementation);
            if (lookups)
                for (const auto& name : corpus.Lookups[static_cast<std::size_t>(&plan - plans.data())])
                    found += table.FindVisibleSymbol(name).has_value();
            table.FreeVisibleSymbols();
        }
    }
    State.counters["found"] = static_cast<double>(found);
    State.counters["units"] = static_cast<double>(plans.size());
}
BENCHMARK(BM_VisibleSymbols)
    ->Args({100, 1})
    ->Args({UnitCount, 0})
    ->Args({UnitCount, 1})
    ->Unit(benchmark::kMillisecond);

// The list as first described: every clause appends its units' symbols and
// re-sorts the whole list; searches halve over it.
void BM_LiteralVisibleSymbols(benchmark::State& State) {
    const TCorpus& corpus = Corpus();
    const TPass2Setup setup(State.range(0));
    const auto& plans = setup.Plans;
    const auto& units = setup.Table.UnitList();
    const auto byName = [](const TFlatRef& a, const TFlatRef& b) { return CompareText(a.Name, b.Name) < 0; };
    std::size_t found = 0;
    for (auto _ : State) {
        found = 0;
        for (const auto& plan : plans) {
            std::vector<TFlatRef> list;
            const std::vector<int> own{plan.Self};
            for (const auto* clause : {&own, &plan.Interface, &plan.Implementation}) {
                for (const int index : *clause)
                    for (const auto& symbol : units[static_cast<std::size_t>(index)].Symbols)
                        list.push_back({symbol.Name, units[static_cast<std::size_t>(index)].Name, symbol.Kind});
                std::stable_sort(list.begin(), list.end(), byName);
            }
            for (const auto& name : corpus.Lookups[static_cast<std::size_t>(&plan - plans.data())])
                found += std::binary_search(list.begin(), list.end(), TFlatRef{name, {}, skType}, byName);
        }
    }
    State.counters["found"] = static_cast<double>(found);
    State.counters["units"] = static_cast<double>(plans.size());
}
BENCHMARK(BM_LiteralVisibleSymbols)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvanet

BENCHMARK_MAIN();
