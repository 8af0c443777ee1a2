// The table against a literal model of its description: linear first-match
// searches, the whole visible list re-sorted after every batch, the halving
// binary search. Random runs from fixed seeds, with names that collide often
// and differ only in case, must give the same table, the same lookups, and for
// every visible name found an answer among the model's equal entries (the
// first of them in the model's stable order).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "compare.h"
#include "symbols.h"

namespace corvanet {
namespace {

struct ModelFlat {
    std::string Name, UnitName;
    TSymbolKind Kind;
};

// A unit as registering Path makes it: named by its file name.
TURElm ModelUnit(const std::string& Path) {
    TURElm Unit;
    Unit.Name = ReplaceExtension(FileNamePart(Path), "");
    Unit.Path = Path;
    return Unit;
}

// Written straight from the description, with no regard for speed.
struct Model {
    std::vector<TURElm> Units;
    std::vector<ModelFlat> Visible;

    TURElm* FirstUnit(std::string_view Name) {
        for (auto& unit : Units)
            if (CompareText(unit.Name, Name) == 0) return &unit;
        return nullptr;
    }
    void AddSymbol(std::string_view Unit, std::string_view Name, TSymbolKind Kind) {
        if (TURElm* unit = FirstUnit(Unit)) unit->Symbols.push_back({std::string(Name), Kind});
    }
    void AddMember(std::string_view Unit, std::string_view Class, std::string_view Name, TSymbolKind Kind) {
        TURElm* unit = FirstUnit(Unit);
        if (!unit) return;
        for (auto& owner : unit->Classes)
            if (CompareText(owner.Name, Class) == 0) {
                owner.Members.push_back({std::string(Name), Kind});
                return;
            }
    }
    template <class Elm>
    static void Sort(std::vector<Elm>& List) {
        std::stable_sort(List.begin(), List.end(),
                         [](const Elm& a, const Elm& b) { return CompareText(a.Name, b.Name) < 0; });
    }
    void SortAll() {
        Sort(Units);
        for (auto& unit : Units) {
            Sort(unit.Symbols);
            Sort(unit.Classes);
            for (auto& owner : unit.Classes) Sort(owner.Members);
        }
    }
    template <class Elm>
    static int Halving(const std::vector<Elm>& List, std::string_view Name) {
        int low = 0, high = static_cast<int>(List.size()) - 1;
        while (low <= high) {
            const int probe = (low + high) / 2;
            const int order = CompareText(List[static_cast<std::size_t>(probe)].Name, Name);
            if (order < 0) {
                low = probe + 1;
            } else {
                high = probe - 1;
                if (order == 0) return probe;
            }
        }
        return -1;
    }
    void AddVisible(const std::vector<int>& Indexes) {
        for (const int index : Indexes) {
            const TURElm& unit = Units[static_cast<std::size_t>(index)];
            for (const auto& symbol : unit.Symbols) Visible.push_back({symbol.Name, unit.Name, symbol.Kind});
        }
        Sort(Visible);
    }
    std::vector<ModelFlat> EqualEntries(std::string_view Name) const {
        std::vector<ModelFlat> equal;
        for (const auto& entry : Visible)
            if (CompareText(entry.Name, Name) == 0) equal.push_back(entry);
        return equal;
    }
};

// Few distinct letters and short names, so keys collide and differ in case.
std::string RandomName(std::mt19937& Random) {
    static constexpr std::string_view Letters = "abcAB_";
    std::string name(1 + Random() % 3, 'a');
    for (char& c : name) c = Letters[Random() % Letters.size()];
    return name;
}

std::string RandomPath(std::mt19937& Random) {
    static constexpr std::string_view Dirs[] = {"", "src\\", "lib/", "C:", "a/b\\"};
    return std::string(Dirs[Random() % std::size(Dirs)]) + RandomName(Random) + ".pas";
}

// The whole table as one text, names with their kinds, in list order.
std::string Dump(const std::vector<TURElm>& Units) {
    std::string out;
    for (const auto& unit : Units) {
        out += unit.Name + "|" + unit.Path + ":";
        for (const auto& symbol : unit.Symbols) out += " " + symbol.Name + "/" + std::to_string(symbol.Kind);
        for (const auto& owner : unit.Classes) {
            out += " [" + owner.Name;
            for (const auto& member : owner.Members) out += " " + member.Name + "/" + std::to_string(member.Kind);
            out += "]";
        }
        out += "\n";
    }
    return out;
}

class ModelRun {
public:
    explicit ModelRun(unsigned Seed) : random_(Seed) {}

    void FillBoth() {
        pass_ = 0;
        const int units = 1 + static_cast<int>(random_() % 12);
        for (int i = 0; i < units; ++i) {
            const std::string path = RandomPath(random_);
            table_.AddUnit(path);
            model_.Units.push_back(ModelUnit(path));
        }
        for (int step = 0; step < 300; ++step) OneAdderCall();
    }

    // The unit index, which the table keeps from the first registration on.
    void CompareUnitNames() {
        bool twoAlike = false;
        for (std::size_t a = 0; a < model_.Units.size(); ++a)
            for (std::size_t b = a + 1; b < model_.Units.size(); ++b)
                twoAlike = twoAlike || CompareText(model_.Units[a].Name, model_.Units[b].Name) == 0;
        EXPECT_EQ(table_.HasSameUnitNames(), twoAlike);
        for (int probe = 0; probe < 100; ++probe) {
            const std::string name = probe % 2 ? RandomName(random_) : PickUnitName();
            const bool registered = model_.FirstUnit(name) != nullptr;
            EXPECT_EQ(table_.IsUnitName(name), registered) << name;
            EXPECT_EQ(table_.IsUnitName(THashedName(name)), registered) << name;
        }
    }

    void CompareSortedLookups() {
        EXPECT_EQ(Dump(table_.UnitList()), Dump(model_.Units));
        table_.SortSymbolTable();
        model_.SortAll();
        EXPECT_EQ(Dump(table_.UnitList()), Dump(model_.Units));
        CompareUnitNames();
        for (int probe = 0; probe < 200; ++probe) {
            const std::string unit = RandomName(random_), name = RandomName(random_);
            EXPECT_EQ(table_.FindUnit(unit), Model::Halving(model_.Units, unit)) << unit;
            const int u = Model::Halving(model_.Units, unit);
            const auto* symbols = u < 0 ? nullptr : &model_.Units[static_cast<std::size_t>(u)].Symbols;
            const int s = symbols ? Model::Halving(*symbols, name) : -1;
            const auto kind = table_.GetSymbolKind(unit, name);
            ASSERT_EQ(kind.has_value(), s >= 0) << unit << "." << name;
            if (kind) {
                EXPECT_EQ(*kind, (*symbols)[static_cast<std::size_t>(s)].Kind);
            }
        }
    }

    void CompareVisibleLists() {
        const int unitCount = static_cast<int>(model_.Units.size());
        for (int self = 0; self < unitCount; ++self) {
            pass_ = 2;
            table_.BeginVisibleSymbols({self});
            model_.Visible.clear();
            model_.AddVisible({self});
            CompareQueries();
            for (int clause = 0; clause < 2; ++clause) {
                pass_ = static_cast<std::uint8_t>(2 + clause);
                std::vector<int> batch(random_() % 5);
                for (int& index : batch) index = static_cast<int>(random_() % static_cast<unsigned>(unitCount));
                table_.AddVisibleUnits(batch);
                model_.AddVisible(batch);
                CompareQueries();
            }
            table_.FreeVisibleSymbols();
        }
    }

private:
    // Mostly well-formed calls in pass 1, some in other passes, some naming
    // units or classes that are not there.
    void OneAdderCall() {
        pass_ = random_() % 10 == 0 ? static_cast<std::uint8_t>(random_() % 4) : 1;
        const std::string unit = PickUnitName(), name = RandomName(random_);
        const auto kind = static_cast<TSymbolKind>(random_() % 10);
        const bool active = pass_ == 1;
        switch (random_() % 5) {
        case 0:
            table_.AddSymbol(unit, name, kind);
            if (active) model_.AddSymbol(unit, name, kind);
            break;
        case 1:
            table_.AddClass(unit, name);
            if (active && model_.FirstUnit(unit)) model_.FirstUnit(unit)->Classes.push_back({name, {}, {}, {}});
            break;
        case 2: {
            const std::string owner = PickClassName(unit);
            table_.AddMember(unit, owner, name, kind);
            if (active) model_.AddMember(unit, owner, name, kind);
            break;
        }
        case 3:
            table_.CurrentUnit = unit;
            table_.SetLastSymbolKind(kind);
            if (active && model_.FirstUnit(unit) && !model_.FirstUnit(unit)->Symbols.empty())
                model_.FirstUnit(unit)->Symbols.back().Kind = kind;
            break;
        default: {
            const std::string path = RandomPath(random_);
            table_.AddUnit(path);  // late registrations, effective in pass 0 only
            if (pass_ == 0) model_.Units.push_back(ModelUnit(path));
        }
        }
    }

    static std::string VaryCase(std::string Name, std::mt19937& Random) {
        for (char& c : Name)
            if (Random() % 2) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return Name;
    }

    std::string PickClassName(const std::string& Unit) {
        const TURElm* unit = model_.FirstUnit(Unit);
        if (!unit || unit->Classes.empty() || random_() % 6 == 0) return RandomName(random_);
        return VaryCase(unit->Classes[random_() % unit->Classes.size()].Name, random_);
    }

    std::string PickUnitName() {
        if (random_() % 8 == 0) return RandomName(random_);
        return VaryCase(model_.Units[random_() % model_.Units.size()].Name, random_);
    }

    void CompareQueries() {
        for (int probe = 0; probe < 40; ++probe) {
            const std::string name = RandomName(random_);
            const auto found = table_.FindVisibleSymbol(name);
            const auto equal = model_.EqualEntries(name);
            ASSERT_EQ(found.has_value(), !equal.empty()) << name;
            const auto hashed = table_.FindVisibleSymbol(THashedName(name));
            ASSERT_EQ(hashed.has_value(), found.has_value()) << name;
            if (!found) continue;
            EXPECT_EQ(std::tie(hashed->Name, hashed->UnitName, hashed->Kind),
                      std::tie(found->Name, found->UnitName, found->Kind))
                << name;
            const auto same = [&](const ModelFlat& e) {
                return e.Name == found->Name && e.UnitName == found->UnitName && e.Kind == found->Kind;
            };
            EXPECT_TRUE(std::any_of(equal.begin(), equal.end(), same)) << name;
            EXPECT_TRUE(same(equal.front())) << name << ": not the first in stable order";
        }
    }

    std::mt19937 random_;
    std::uint8_t pass_ = 0;
    TSymbolTable table_{pass_};
    Model model_;
};

TEST(SymbolModelTest, RandomRunsMatchTheLiteralModel) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ModelRun run(seed);
        run.FillBoth();
        run.CompareUnitNames();
        run.CompareSortedLookups();
        run.CompareVisibleLists();
    }
}

}  // namespace
}  // namespace corvanet
