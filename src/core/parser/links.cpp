// Where anchors and links go, and how they are named: the routine headings
// (recorded in pass 1, linked to their bodies in pass 2, anchored in pass 3),
// the ancestor of a class and the uses of names in the output passes. A rule
// holds a name's place in the queue before it reads past it, so blanks and
// comments after a name stay after it, and it queues every token it took.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../compare.h"
#include "parser.h"

namespace corvanet {

namespace {

bool IsRoutine(TSymbolKind Kind) { return Kind == skFunction || Kind == skProcedure; }

// Constructors and destructors are always recorded as methods.
bool IsMember(TSymbolKind Kind) { return Kind == skConstructor || Kind == skDestructor || Kind == skOperator; }

// The anchor entry: rendering uses only its name.
TDelayedToken AnchorEntry(std::string Name) { return {"", "", std::move(Name), tsAnchor}; }

}  // namespace

void TParser::AmendUnitLink(std::size_t Index, std::string_view UnitPage,
                            std::string_view Caption) {
    std::string Page = PercentEncodePage(UnitPage);
    Page += ".html";
    std::string Topic = "unit_";
    Topic += Modern() ? AsciiContext(UnitPage) : std::string(UnitPage);
    queue_.AmendToken(Index, Page, Caption, Topic, tsLink);
    ++Links.UnitLinks;
}

namespace {

// The arguments between a call's "(", just read, and its ")", counted from
// the source text after the "(": top-level commas, strings and comments
// passed over. -1 where the text does not tell for sure: the ")" lies beyond
// it, or a directive, a multi-line string, a ";" (an anonymous method) or a
// "<" (type arguments hold commas too, and "A < B" is not told from them
// here) comes first.
int CountArguments(std::string_view S) {
    int Depth = 1, Commas = 0;
    bool Any = false;
    for (std::size_t I = 0; I < S.size(); ++I) {
        const char C = S[I];
        const char Next = I + 1 < S.size() ? S[I + 1] : '\0';
        std::size_t Close = std::string_view::npos;
        switch (C) {
        case ' ': case '\t': case '\r': case '\n': continue;
        case '\'':
            if (S.substr(I).starts_with("'''")) return -1;
            for (Close = I + 1;; Close += 2) {
                // The closing quote, past doubled ones; a line end first ends no string here.
                Close = S.find_first_of("'\r\n", Close);
                if (Close == std::string_view::npos || S[Close] != '\'') return -1;
                if (Close + 1 >= S.size() || S[Close + 1] != '\'') break;
            }
            I = Close;
            break;
        case '{':
            if (Next == '$' || (Close = S.find('}', I)) == std::string_view::npos) return -1;
            I = Close;
            continue;
        case '/':
            if (Next != '/') break;
            if ((Close = S.find('\n', I)) == std::string_view::npos) return -1;
            I = Close;
            continue;
        case '(':
            if (Next == '*') {
                if ((I + 2 < S.size() && S[I + 2] == '$') || (Close = S.find("*)", I + 2)) == std::string_view::npos)
                    return -1;
                I = Close + 1;
                continue;
            }
            ++Depth;
            break;
        case '[': ++Depth; break;
        case ')': case ']':
            if (--Depth == 0) return C == ')' ? (Any ? Commas + 1 : 0) : -1;
            break;
        case ',':
            if (Depth == 1) ++Commas;
            break;
        case '<': case ';': return -1;
        default: break;
        }
        Any = true;
    }
    return -1;
}

}  // namespace

// The modern anchor of Class.Name on the unit's page: the overload a call
// passing Arguments picks where it has an anchor of its own, else the name's;
// empty when the page will hold neither.
std::string TParser::ModernTarget(std::string_view UnitName, std::string_view UnitPage, std::string_view Class,
                                  std::string_view Name, int Arguments) const {
    const std::string Key = AnchorKey(Class, Name);
    if (Arguments == ArgumentsAhead)
        Arguments = symbols_.FindOverloads(UnitName, Key) ? CountArguments(stream_.Reading().Ahead()) : -1;
    const int Overload = symbols_.CallOverload(UnitName, Key, Arguments);
    if (Overload > 1 && symbols_.HasAnchor(UnitName, OverloadName(Key, Overload)))
        return AnchorName(UnitPage, Class, OverloadName(Name, Overload));
    return symbols_.HasAnchor(UnitName, Key) ? AnchorName(UnitPage, Class, Name) : std::string();
}

void TParser::AmendAnchorLink(std::size_t Index, std::string_view UnitPage, const std::string& Target,
                              std::string_view Caption) {
    std::string Page = PercentEncodePage(UnitPage);
    Page += ".html#";
    Page += Target;
    queue_.AmendToken(Index, Page, Caption, Target, tsLink);
}

bool TParser::AmendSymbolLink(std::size_t Index, std::string_view UnitName, std::string_view UnitPage,
                              std::string_view Name, std::string_view Caption, int Arguments) {
    const std::string Target =
        Modern() ? ModernTarget(UnitName, UnitPage, {}, Name, Arguments) : AnchorName(UnitPage, {}, Name);
    if (Target.empty()) return false;
    AmendAnchorLink(Index, UnitPage, Target, Caption);
    return true;
}

// Pass 1 records the routine: a method while a class is being read.
void TParser::RecordRoutine(std::string_view Name, TSymbolKind Kind) {
    const std::string& Unit = symbols_.CurrentUnit;
    const std::string& Class = symbols_.CurrentClass;
    if (IsMember(Kind) || !Class.empty())
        symbols_.AddMember(Unit, Class, Name, Kind);
    else
        symbols_.AddSymbol(Unit, Name, Kind);
}

// Name [ "." Name ], the heading's name with its optional qualifier, entered
// with output held for the name. Queues what it reads and leaves the token
// after the name unqueued and held. A qualifier, period and name with nothing
// between them become one token in pass 3, where the anchor precedes them.
TParseResult TParser::ReadHeadingName(TSymbolKind Routine, THeadingName& Heading) {
    Heading.Name = Text();
    Heading.First = Heading.Last = QueueHeldToken();
    if (IsMember(Routine) && !Modern()) RecordRoutine(Heading.Name, Routine);
    Read();
    if (Modern()) return ReadModernHeadingName(Routine, Heading);
    if (Kind() == tkPeriod) {
        Heading.Qualifier = std::move(Heading.Name);
        const std::size_t Period = QueueHeldToken();
        Read();
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return prFailed;
        }
        Heading.Name = Text();
        auto& Queued = queue_.DelayedTokens;
        const bool Joined = Period == Heading.First + 1 && Queued.size() == Period + 1;
        if (Joined && Pass() == 3) {
            Queued.pop_back();
            queue_.AmendToken(Heading.First, Heading.Qualifier + "." + Heading.Name, {}, {},
                              tsIdentifier);
        } else {
            Heading.Last = QueueHeldToken();
        }
        Read();
    }
    if (!IsMember(Routine)) RecordRoutine(Heading.Name, Routine);
    return prParsed;
}

// The modern rest of Name {"." Name}, each part with its type parameters: the
// qualifier is the dotted path of the type, a generic part carrying its
// arity as the type's key does. Parts with nothing between them are joined as
// the classic reading joins two.
TParseResult TParser::ReadModernHeadingName(TSymbolKind Routine, THeadingName& Heading) {
    int Arity = 0;
    bool EqualTaken = false;
    for (;;) {
        if (Kind() == tkLess && ReadTypeParameters(Arity, true, EqualTaken) != prParsed) return prFailed;
        if (Kind() != tkPeriod) break;
        std::string Part = GenericName(Heading.Name, Arity);
        Heading.Qualifier = Heading.Qualifier.empty() ? std::move(Part) : Heading.Qualifier + "." + Part;
        Arity = 0;
        const std::size_t Period = QueueHeldToken();
        Read();
        if (Kind() != tkIdentifier && !(Routine == skOperator && IsOperatorName())) {
            queue_.QueueCurrentToken();
            return prFailed;
        }
        Heading.Name = Text();
        auto& Queued = queue_.DelayedTokens;
        const bool Joined = Period == Heading.Last + 1 && Queued.size() == Period + 1 &&
                            Queued[Heading.Last].Style == tsIdentifier;
        if (Joined && Pass() == 3) {
            Queued.pop_back();
            Queued[Heading.Last].Text += "." + Heading.Name;
        } else {
            Heading.Last = QueueHeldToken();
        }
        Read();
    }
    // A member's qualified name is a method resolution clause, not a member.
    if (Heading.Qualifier.empty() || symbols_.CurrentClass.empty()) RecordRoutine(Heading.Name, Routine);
    return prParsed;
}

// In pass 2 (an interface) the name becomes a link to the body, save in the
// modern dialect for resolution clauses and the methods of interface types,
// which have none; in pass 3 an anchor goes in front of the whole name,
// qualifier included.
// Pass 1, reading an implementation for its anchors, notes the anchor pass 3
// will write; the modern dialect links a heading only to a body noted so.
// A modern heading without a body (abstract, external, an interface's
// method, a body outside the project) is anchored where it is declared.
// The k-th declaration of a name (k >= 2) is anchored and linked as Name.k.
void TParser::MarkHeading(const THeadingName& Heading) {
    if (Pass() == 2 && Modern()) {
        if (!Heading.Qualifier.empty()) return;  // a method resolution clause
        const std::string& Class = symbols_.CurrentClass;
        std::string Key = AnchorKey(Class, Heading.Name);
        int Overload = 1;
        if (symbols_.FindOverloads(symbols_.CurrentUnit, Key)) Overload = static_cast<int>(++headingCounts_[Key]);
        if (Overload > 1) Key = OverloadName(Key, Overload);
        const std::string Anchor = SymbolAnchor(Class, OverloadName(Heading.Name, Overload));
        if (!InInterfaceType && symbols_.HasBodyAnchor(symbols_.CurrentUnit, Key)) {
            // The body stands on the unit's page, which an include file's is not.
            std::string Page;
            if (stream_.IncludeDepth() != 0) Page = PercentEncodePage(symbols_.CurrentUnit + PageSuffix) + ".html";
            queue_.AmendToken(Heading.Last, Page + "#" + Anchor, Heading.Name, Anchor, tsLink);
            ++Links.HeadingLinks;
        } else if (stream_.IncludeDepth() == 0 && ClaimAnchor(Key)) {
            auto& Queued = queue_.DelayedTokens;
            Queued.insert(Queued.begin() + static_cast<std::ptrdiff_t>(Heading.First), AnchorEntry(Anchor));
        }
    } else if (Pass() == 2) {
        const std::string& Class = symbols_.CurrentClass;
        const std::string Anchor = SymbolAnchor(Class, Heading.Name);
        queue_.AmendToken(Heading.Last, "#" + Anchor, Heading.Name, Anchor, tsLink);
        ++Links.HeadingLinks;
    } else if (Pass() == 1 && !symbols_.AnchorsOnly) {
        if (!Heading.Qualifier.empty()) return;
        if (!Modern()) return DeclareAnchor(symbols_.CurrentClass, Heading.Name);
        const auto Declared = declared_.try_emplace(AnchorKey(symbols_.CurrentClass, Heading.Name)).first;
        signature_ = &Declared->second.emplace_back();
        if (std::exchange(classRoutine_, false)) signature_->Mix(tkClass);
        // As DeclareAnchor lists a declaration's key.
        if (stream_.IncludeDepth() == 0)
            symbols_.AddDeclaration(symbols_.CurrentUnit,
                                    OverloadName(Declared->first, static_cast<int>(Declared->second.size())));
    } else if (Pass() == 1 && symbols_.AnchorsOnly) {
        // Noted as an entry of headings_, anchored by FinishAnchors.
        std::string Class = Heading.Qualifier, Path = Heading.Name;
        if (ImplementationName(Heading, Class, Path) && classRoutine_) signature_->Mix(tkClass);
    } else if (Pass() == 3) {
        std::string Class = Heading.Qualifier, Path = Heading.Name;
        if (Modern() && (!ImplementationName(Heading, Class, Path) || !ClaimAnchor(AnchorKey(Class, Path)))) return;
        const std::string Anchor = SymbolAnchor(Class, Path);
        auto& Queued = queue_.DelayedTokens;
        // On the page of the file the heading is read from: an include's own.
        TDelayedToken Entry = AnchorEntry(Anchor);
        Entry.Pair = Queued[Heading.First].Pair;
        Queued.insert(Queued.begin() + static_cast<std::ptrdiff_t>(Heading.First), std::move(Entry));
    }
}

// Keyword Name [ "." Name ] [ FormalParameters ] [ ":" ResultType ]; the
// result type only for functions.
TParseResult TParser::ReadRoutineHeading(TTokenKind Keyword, TSymbolKind Routine) {
    if (Kind() != Keyword) return prAbsent;
    queue_.HoldOutput = true;
    Read();
    return ReadRoutineHeadingRest(Routine);
}

// "operator" Name [FormalParameters] ":" ResultType: a class operator, whose
// keyword the scanner gives as an identifier. The output pass hands it over
// held, still unwritten.
TParseResult TParser::ReadOperatorHeading() {
    if (!Modern() || !IsWord("operator")) return prAbsent;
    if (queue_.HoldOutput) QueueHeldToken();
    queue_.HoldOutput = true;
    Read();
    return ReadRoutineHeadingRest(skOperator);
}

// An operator may be named by a keyword (In, And, Not ...) or, in Free
// Pascal, by its symbol (=, +, :=); what follows a variable's name is none.
bool TParser::IsOperatorName() const noexcept {
    const TTokenKind K = Kind();
    return (IsReservedWord(K) || IsSymbolKind(K) || K == tkAssign || K == tkStar) && K != tkLParen &&
           K != tkSemicolon && K != tkColon && K != tkComma;
}

TParseResult TParser::ReadRoutineHeadingRest(TSymbolKind Routine) {
    if (Kind() != tkIdentifier && !(Routine == skOperator && IsOperatorName())) {
        queue_.QueueCurrentToken();
        return prFailed;
    }
    THeadingName Heading;
    if (ReadHeadingName(Routine, Heading) != prParsed) return prFailed;
    MarkHeading(Heading);
    // Pass 1 notes the signature of the heading in MarkHeading's entry.
    TSignature* const Signature = signature_;
    queue_.QueueCurrentToken();
    collectLocals_ = Modern() && Pass() == 3 && !InTypeBody() && !routines_.empty() && !routines_.back().Body;
    const TParseResult Parameters = ReadFormalParameters();
    collectLocals_ = false;
    signature_ = nullptr;
    if (Parameters == prFailed) return prFailed;
    if (Routine != skFunction && Routine != skOperator) return prParsed;
    // A method resolution clause names no result type.
    if (Modern() && !Heading.Qualifier.empty() && Kind() == tkEqual) return prParsed;
    // Initialize, Finalize and Assign operators give no result.
    if (Routine == skOperator && Kind() != tkColon) return prParsed;
    if (!AcceptLinking(tkColon)) return prFailed;
    if (Modern()) {
        // Implicit and Explicit operators differ in their result types only.
        if (Signature) {
            Signature->Result = true;
            Signature->Mix(tkColon);
            capture_ = Signature;
        }
        const TParseResult Result = ReadType();
        capture_ = nullptr;
        return Result == prParsed ? prParsed : prFailed;
    }
    if (Kind() != tkIdentifier && Kind() != tkString) return prFailed;
    Read();
    return prParsed;
}

// procedure Name [ FormalParameters ]
TParseResult TParser::ReadProcedureHeading() { return ReadRoutineHeading(tkProcedure, skProcedure); }

// function Name [ FormalParameters ] ":" ResultType
TParseResult TParser::ReadFunctionHeading() { return ReadRoutineHeading(tkFunction, skFunction); }

// constructor Name [ FormalParameters ]
TParseResult TParser::ReadConstructorHeading() {
    return ReadRoutineHeading(tkConstructor, skConstructor);
}

// destructor Name [ FormalParameters ]
TParseResult TParser::ReadDestructorHeading() {
    return ReadRoutineHeading(tkDestructor, skDestructor);
}

// "(" Ident ")": one ancestor, linked to its declaration in pass 2 when it is
// a class visible here.
TParseResult TParser::ReadAncestors() {
    if (Kind() != tkLParen) return prAbsent;
    queue_.HoldOutput = true;
    Read();
    if (Kind() != tkIdentifier) {
        queue_.QueueCurrentToken();
        return prFailed;
    }
    const bool Specialized = Modern() && IsWord("specialize");  // Free Pascal
    const std::string First = Modern() && Pass() == 1 ? std::string(Text()) : std::string();
    const std::size_t Index = QueueHeldToken();
    if (Pass() == 2) {
        const auto Found = symbols_.FindVisibleSymbol(Text());
        if (Found && (Found->Kind == skClass || Modern()) && AmendSymbolLink(Index, Found->UnitName, Found->UnitPage, Found->Name, Text()))
            ++Links.AncestorLinks;
    }
    queue_.HoldOutput = false;
    Read();
    // The modern dialect's ancestor may be qualified or generic, and
    // interfaces may follow it. The symbol pass keeps the first one's key
    // for the type's scope (a Free Pascal specialization's is not kept).
    if (Modern()) {
        std::string* Key = Pass() == 1 && !symbols_.AnchorsOnly && !Specialized ? &AncestorKey : nullptr;
        if (Key) *Key = First;
        if ((Specialized ? ReadTypeReference() : ReadTypeReferenceRest(Key)) != prParsed) return prFailed;
        while (AcceptLinking(tkComma))
            if (ReadTypeReference() != prParsed) return prFailed;
    }
    if (Kind() != tkRParen) return prFailed;
    Read();
    return prParsed;
}

// Ident { "." Ident }, entered with output held: queues every part (the
// periods too) and records where the identifiers are. A period followed by
// anything but an identifier ends it with that token queued.
TParseResult TParser::ReadDottedName(std::vector<std::size_t>& Parts) {
    Parts.push_back(QueueHeld(Text(), tsIdentifier));
    Read();
    while (Kind() == tkPeriod) {
        QueueHeldToken();
        Read();
        if (Kind() != tkIdentifier) {
            queue_.QueueCurrentToken();
            return prFailed;
        }
        Parts.push_back(QueueHeld(Text(), tsIdentifier));
        Read();
    }
    queue_.QueueCurrentToken();
    return prParsed;
}

// A single name links to a visible routine; in a dotted name a registered
// unit links to its page and a routine of it to its body. The unit is the
// first part, or in the modern dialect the longest run of first parts that
// names a registered unit (System.SysUtils.Format). Further parts and
// anything after an unregistered first part stay plain.
void TParser::LinkDottedName(const std::vector<std::size_t>& Parts) {
    const auto& Queued = queue_.DelayedTokens;
    const std::string First = Queued[Parts[0]].Text;
    if (Modern() && Pass() == 3 && LinkInScope(Parts)) return;
    if (!locals_.empty() && IsLocal(First)) return;
    const int Arguments = CallArguments();
    if (Parts.size() == 1 && Modern()) return LinkQualifiedSymbol(Parts, 0, std::nullopt, Arguments);
    if (Parts.size() == 1) {
        const auto Found = symbols_.FindVisibleSymbol(First);
        if (Found && IsRoutine(Found->Kind) &&
            AmendSymbolLink(Parts[0], Found->UnitName, Found->UnitPage, Found->Name, First, Arguments))
            ++Links.RoutineLinks;
        return;
    }
    std::size_t Count = Modern() ? Parts.size() : 1;  // parts naming the unit
    std::string Name;
    int U = -1;
    for (; Count > 0 && U < 0; --Count) {
        Name = First;
        for (std::size_t I = 1; I < Count; ++I) Name.append(".").append(Queued[Parts[I]].Text);
        U = symbols_.FindUnit(Name);
    }
    if (U < 0) {
        if (Modern()) LinkQualifiedSymbol(Parts, 0, std::nullopt, Arguments);
        return;
    }
    ++Count;  // the loop counted past the match
    const TURElm& Unit = symbols_.UnitList()[static_cast<std::size_t>(U)];
    if (Modern() && Count < Parts.size()) {
        LinkQualifiedSymbol(Parts, Count, static_cast<std::size_t>(U), Arguments);
    } else if (Count < Parts.size()) {
        const std::string Member = Queued[Parts[Count]].Text;
        const auto Kind = symbols_.GetSymbolKind(Unit.Name, Member);
        if (Kind && IsRoutine(*Kind) && AmendSymbolLink(Parts[Count], Unit.Name, Unit.Page, Member, Member, Arguments))
            ++Links.RoutineLinks;
    }
    // Linked last: the entries after the unit's name move up.
    AmendUnitLink(std::vector<std::size_t>(Parts.begin(), Parts.begin() + static_cast<std::ptrdiff_t>(Count)), Name,
                  Unit.Page);
}

// The modern dialect's Name[.Member], from Parts[At] on: Name is a symbol of
// the unit InUnit names, or else one in scope here (the unit's own bodies
// first); the member after it links where Name is a recorded class,
// record or interface (to the member of it or of its recorded ancestors
// that has an anchor: a method, a property) or an enumeration (to the value,
// which the unit records as its own constant). Parts after that stay plain.
void TParser::LinkQualifiedSymbol(const std::vector<std::size_t>& Parts, std::size_t At,
                                  std::optional<std::size_t> InUnit, int Arguments) {
    const auto& Queued = queue_.DelayedTokens;
    const std::string Name = Queued[Parts[At]].Text;
    const int NameArguments = At + 1 == Parts.size() ? Arguments : -1;
    std::string UnitName, UnitPage, Key;
    std::optional<TSymbolKind> Kind;
    if (InUnit) {
        const TURElm& Unit = symbols_.UnitList()[*InUnit];
        UnitName = Unit.Name, UnitPage = Unit.Page, Key = Name;
        Kind = symbols_.GetSymbolKind(Unit.Name, Name);
        if (!Kind) return;  // another unit's name outside its interface
    } else if (OwnBody(Name)) {  // recorded or not: a routine of the implementation's own
        UnitName = symbols_.CurrentUnit, UnitPage = symbols_.CurrentUnit + PageSuffix, Key = Name;
        Kind = symbols_.GetSymbolKind(UnitName, Name);
    } else if (const auto Found = symbols_.FindVisibleSymbol(Name)) {
        UnitName = Found->UnitName, UnitPage = Found->UnitPage, Key = Found->Name, Kind = Found->Kind;
    } else {
        return;
    }
    if (!AmendSymbolLink(Parts[At], UnitName, UnitPage, Key, Name, NameArguments)) return;
    ++Links.RoutineLinks;
    if (!Kind || At + 1 >= Parts.size()) return;
    const std::string Member = Queued[Parts[At + 1]].Text;
    const int MemberArguments = At + 2 == Parts.size() ? Arguments : -1;
    if (*Kind == skClass || *Kind == skRecord || *Kind == skInterface) {
        if (const auto Found = TSymbolTable::FindMember(symbols_.ClassChain(UnitName, Key), Member))
            (void)AmendMemberLink(Parts[At + 1], *Found, Member, MemberArguments);
    } else if (*Kind == skType && symbols_.GetSymbolKind(UnitName, Member) == skConstant &&
               AmendSymbolLink(Parts[At + 1], UnitName, UnitPage, Member, Member)) {
        ++Links.RoutineLinks;
    }
}

// Without a hold the name has been written already: only read past it.
TParseResult TParser::PassDottedName() {
    Read();
    while (Kind() == tkPeriod) {
        Read();
        if (Kind() != tkIdentifier) return prFailed;
        Read();
    }
    return prParsed;
}

// Ident { "." Ident }: the use of a name, handed over by the pass-2 dispatch
// still unwritten (output held).
// In the implementation the unit's own routines come first, those it declares
// there too, and its classes: whatever is anchored on its page under the
// name alone. A name with "_" might spell a member's key, and stays out.
int TParser::OwnUnit() const {
    if (ownUnit_ < 0 || ownUnitName_ != symbols_.CurrentUnit) {
        ownUnitName_ = symbols_.CurrentUnit;
        ownUnit_ = symbols_.FindUnit(ownUnitName_);
        ownBodyHashes_.clear();
        if (ownUnit_ >= 0)
            for (const std::string& Anchor : symbols_.UnitList()[static_cast<std::size_t>(ownUnit_)].Anchors)
                ownBodyHashes_.insert(FoldedHash(Anchor));
    }
    return ownUnit_;
}

bool TParser::OwnBody(std::string_view Name) const {
    if (!Modern() || Pass() != 3 || Name.find('_') != std::string_view::npos) return false;
    const int Unit = OwnUnit();
    if (Unit < 0) return false;
    // An ASCII name's key is the name lower-cased, whose folded hash is the name's.
    const bool Ascii = std::all_of(Name.begin(), Name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (Ascii && !ownBodyHashes_.contains(FoldedHash(Name))) return false;
    return symbols_.HasBodyAnchor(Unit, AnchorKey({}, Name));
}

bool TParser::MayLink(std::string_view Name) const {
    if (Modern() && Pass() == 3) {
        if (afterPeriod_) return false;
        if (InMethod()) {
            if (SameText(Name, "Self")) return true;
            if (const auto Member = TSymbolTable::FindMember(chain_, Name))
                if (!IsImplicitLocal(Name) && !IsLocal(Name))
                    return Member->Member && MembersVisible() && routines_.back().Body;
        }
    }
    if (OwnBody(Name)) return true;
    const THashedName Hashed(Name);  // one hash for both lookups
    if (symbols_.IsUnitName(Hashed) || (Modern() && symbols_.StartsUnitName(Name))) return true;
    const auto Found = symbols_.FindVisibleSymbol(Hashed);
    return Found && (IsRoutine(Found->Kind) || Modern());
}

TParseResult TParser::LinkIdentifier() {
    if (Kind() != tkIdentifier) return prAbsent;
    if (!queue_.HoldOutput) return PassDottedName();
    // The symbol pass reading an implementation for its anchors links
    // nothing: the name is read past as the output pass reads it.
    if (Pass() == 1) {
        queue_.HoldOutput = false;
        return PassDottedName();
    }
    // Most names link to nothing whatever follows them: such a name is
    // written at once and read past, with nothing queued.
    if ((Pass() == 2 || Pass() == 3) && queue_.DelayedTokens.empty() && !MayLink(Text())) {
        queue_.HoldOutput = false;
        if (stream_.TokenHook) stream_.TokenHook();
        return PassDottedName();
    }
    std::vector<std::size_t> Parts;
    if (ReadDottedName(Parts) != prParsed) return prFailed;
    if (Pass() == 2 || Pass() == 3) LinkDottedName(Parts);
    return prParsed;
}

namespace {

bool IsTypeOpener(TTokenKind K) {
    return K == tkRecord || K == tkClass || K == tkObject || K == tkInterface || K == tkDispinterface;
}

}  // namespace

// A method's body sees its type's members and those of the type's recorded
// ancestors before the unit's symbols; a local name (parameters, local
// sections, inline variables, nested routines) hides them in turn. A "with"
// statement links no member: what the "with" opens may hold a member of the
// name (a name that is a member still never links to a unit's symbol). "Self.Name" names the type's member, "inherited Name" the
// ancestors' only; a name after a period that ends no dotted name
// ("F(X).Name") is some other value's member and links to nothing. An asm
// block's names are the assembler's.
bool TParser::InMethod() const noexcept {
    return Modern() && Pass() == 3 && !chain_.empty() && !routines_.empty() && !InTypeBody() &&
           (openers_.empty() || openers_.back() != tkAsm);
}

// A function's Result hides a member of that name (a procedure's Result
// is taken for it too).
bool TParser::IsImplicitLocal(std::string_view Name) noexcept { return SameText(Name, "Result"); }

bool TParser::MembersVisible() const noexcept { return withs_.empty(); }

bool TParser::LinkInScope(const std::vector<std::size_t>& Parts) {
    if (afterPeriod_) return true;
    if (!InMethod()) return afterInherited_;  // an inherited name is never a unit's symbol
    const auto& Queued = queue_.DelayedTokens;
    const std::string First = Queued[Parts[0]].Text;
    const int Arguments = CallArguments();
    if (afterInherited_) {
        if (const auto Member = TSymbolTable::FindMember(chain_, First, 1))
            AmendMemberLink(Parts[0], *Member, First, Parts.size() == 1 ? Arguments : -1);
        return true;
    }
    if (SameText(First, "Self")) {
        if (Parts.size() > 1) {
            const std::string Name = Queued[Parts[1]].Text;
            if (const auto Member = TSymbolTable::FindMember(chain_, Name))
                AmendMemberLink(Parts[1], *Member, Name, Parts.size() == 2 ? Arguments : -1);
        }
        return true;
    }
    if (IsImplicitLocal(First) || (!locals_.empty() && IsLocal(First))) return true;
    const auto Member = TSymbolTable::FindMember(chain_, First);
    if (!Member) return false;
    // Only a statement's name links: not one of a local declaration (a
    // field of a typed constant, "(X: 1)"), nor one a colon follows.
    if (MembersVisible() && routines_.back().Body && Kind() != tkColon)
        AmendMemberLink(Parts[0], *Member, First, Parts.size() == 1 ? Arguments : -1);
    return true;
}

TParseResult TParser::ReadInherited() {
    const std::size_t Index = QueueHeldToken();
    const std::string Caption(Text());
    Read();
    // "inherited Name": the name is handed to the identifier rule still held.
    if (Kind() == tkIdentifier) return prParsed;
    // A nested routine has no inherited method of its own.
    if (InMethod() && routines_.size() == 1) {
        // The method's name, without the overload number its anchor carries.
        const std::string& Path = routines_.front().Path;
        if (const auto Member = TSymbolTable::FindMember(chain_, std::string_view(Path).substr(0, Path.find('.')), 1))
            AmendMemberLink(Index, *Member, Caption);
    }
    queue_.HoldOutput = false;
    WriteHeld();
    return prParsed;
}

bool TParser::AmendMemberLink(std::size_t Index, const TMemberAt& Member, std::string_view Caption, int Arguments) {
    if (Member.Member == nullptr) return false;  // a field, constant or nested type: no anchor
    const TURElm& Unit = symbols_.UnitList()[Member.Unit];
    const std::string Target = ModernTarget(Unit.Name, Unit.Page, Member.Class->Name, Member.Member->Name, Arguments);
    if (Target.empty()) return false;
    AmendAnchorLink(Index, Unit.Page, Target, Caption);
    ++Links.RoutineLinks;
    return true;
}

void TParser::ResetBlocks() {
    chain_.clear();
    chainKey_.clear();
    withs_.clear();
    afterInherited_ = afterPeriod_ = false;
    openers_.clear();
    typeOpeners_ = 0;
    routines_.clear();
    locals_.clear();
    declaredLast_ = false;
    section_ = tkEndOfInput;
    lastKind_ = pendingType_ = tkEndOfInput;
    pendingParens_ = 0;
    operatorHeading_ = typeAfterEqual_ = false;
    headingCounts_.clear();
}

// Counted as they open and close: a heading deep in blocks costs no scan of them.
bool TParser::InTypeBody() const noexcept { return typeOpeners_ > 0; }

// A record declared among statements (an inline variable's type) is not
// told from one among declarations; such a record holds no operators.
bool TParser::InStatements() const noexcept { return !openers_.empty() && !IsTypeOpener(openers_.back()); }

void TParser::OpenBlock(TTokenKind K) {
    openers_.push_back(K);
    if (IsTypeOpener(K)) ++typeOpeners_;
}

// The implementation is read by the dispatch, token by token, not by the
// declaration and statement rules: what the output depends on there is the
// blocks (where a body starts and ends, which headings stand in a type body
// or among statements) and the names declared locally, and following the
// block keywords gives the same anchors and links the rules would, at a cost
// per token no higher than the dispatch's own. A rule that fails in the
// middle of a body would also lose the blocks after it until its caller
// recovered; the tracking cannot fail.
// Called with each token the dispatch is handed, before any rule reads it. A
// type keyword after "=" opens a block unless the token after its heading is
// ";" or "of" (a forward declaration, "class(TBase);", "class of T"); a "case"
// directly in a record is its variant part, which shares the record's "end".
void TParser::TrackBlock() {
    const TTokenKind K = Kind();
    classRoutine_ = lastKind_ == tkClass;
    afterInherited_ = lastKind_ == tkInherited;
    afterPeriod_ = lastKind_ == tkPeriod;
    // An asm block holds no blocks: only its "end" counts.
    if (!openers_.empty() && openers_.back() == tkAsm && K != tkEnd) {
        lastKind_ = K;
        return;
    }
    if (pendingType_ != tkEndOfInput) {
        if (K == tkLParen) {
            ++pendingParens_;
        } else if (K == tkRParen) {
            --pendingParens_;
        } else if (pendingParens_ <= 0) {
            if (K != tkSemicolon && K != tkOf) OpenBlock(pendingType_);
            pendingType_ = tkEndOfInput;
        }
    }
    switch (K) {
    case tkBegin: case tkAsm:
        section_ = tkEndOfInput;
        if (!routines_.empty() && !routines_.back().Body && routines_.back().Depth == openers_.size()) {
            routines_.back().Body = true;
            routines_.back().Depth = openers_.size() + 1;
        }
        OpenBlock(K);
        break;
    case tkTry: OpenBlock(K); break;
    // A "with" statement ends at the ";", "else", "until", "except" or
    // "finally" met in the block it stands in, or at the "end" of that block.
    case tkWith:
        if (!routines_.empty()) withs_.push_back(openers_.size());
        break;
    case tkSemicolon: case tkElse: case tkUntil: case tkExcept: case tkFinally:
        while (!withs_.empty() && withs_.back() >= openers_.size()) withs_.pop_back();
        break;
    case tkCase:
        if (openers_.empty() || openers_.back() != tkRecord) OpenBlock(K);
        break;
    case tkRecord: OpenBlock(K); break;
    case tkClass: case tkObject: case tkInterface: case tkDispinterface:
        // "=" may come with the ">" of type parameters as one ">=".
        if (lastKind_ == tkEqual || lastKind_ == tkGreaterEqual || lastKind_ == tkPacked)
            pendingType_ = K, pendingParens_ = 0;
        break;
    case tkEnd:
        if (!openers_.empty()) {
            if (IsTypeOpener(openers_.back())) --typeOpeners_;
            openers_.pop_back();
        }
        while (!withs_.empty() && withs_.back() > openers_.size()) withs_.pop_back();
        while (!routines_.empty() && routines_.back().Body && openers_.size() < routines_.back().Depth)
            PopRoutine();
        break;
    case tkIdentifier:
        // "operator" starts a heading after "class" or where declarations
        // stand, not in statements ("Operator := Op;").
        operatorHeading_ = IsWord("operator") && (lastKind_ == tkClass || !InStatements());
        // A heading with no body of its own here (in a type body these words
        // belong to a method or to the type).
        if ((IsWord("forward") || IsWord("external")) && !InTypeBody() && !routines_.empty() &&
            !routines_.back().Body) {
            PopRoutine();
        } else if ((lastKind_ == tkType && typeAfterEqual_ && IsWord("helper")) ||
                   (lastKind_ == tkEqual &&
                    (IsWord("objcclass") || IsWord("objcprotocol") || IsWord("objccategory")))) {
            // Free Pascal's "type helper for T" and Objective-C classes have
            // bodies as classes do.
            pendingType_ = tkClass, pendingParens_ = 0;
        } else if (DeclaresLocal()) {
            locals_.emplace_back(Text());
            declaredLast_ = true;
            typeAfterEqual_ = false;
            lastKind_ = K;
            return;
        }
        break;
    case tkVar: case tkConst: case tkType: case tkThreadvar:
        section_ = K;
        break;
    default: break;
    }
    if (K != tkComma) declaredLast_ = false;
    typeAfterEqual_ = K == tkType && lastKind_ == tkEqual;
    lastKind_ = K;
}

// A name right after "var", "const" or "type", after the ";" ending a
// declaration of such a section before a routine's body, or after a "," that
// follows a declared name; in a body, an inline variable's ("var X").
bool TParser::DeclaresLocal() const noexcept {
    if (!Modern() || Pass() != 3 || routines_.empty()) return false;
    const bool Keyword = lastKind_ == tkVar || lastKind_ == tkConst || lastKind_ == tkType || lastKind_ == tkThreadvar;
    if (routines_.back().Body) return lastKind_ == tkVar || lastKind_ == tkConst;
    if (section_ == tkEndOfInput) return false;
    return Keyword || lastKind_ == tkSemicolon || (lastKind_ == tkComma && declaredLast_);
}

void TParser::PopRoutine() {
    locals_.resize(routines_.back().Locals);
    routines_.pop_back();
}

bool TParser::IsLocal(std::string_view Name) const {
    for (const std::string& Local : locals_)
        if (SameText(Local, Name)) return true;
    return false;
}

bool TParser::ImplementationName(const THeadingName& Heading, std::string& Class, std::string& Path) {
    if (InTypeBody()) return false;
    // A body that never ended (unbalanced input) encloses nothing further.
    while (!routines_.empty() && routines_.back().Body) PopRoutine();
    // Routines nested past the limit get no anchor (each level's anchor
    // holds every enclosing name, so without one the names grew as the
    // square of the depth).
    if (routines_.size() >= static_cast<std::size_t>(MaxNesting)) return false;
    const bool Output = Modern() && Pass() == 3;
    // A nested routine's name is local to the routine that encloses it.
    if (Output && !routines_.empty() && Heading.Qualifier.empty()) locals_.push_back(Heading.Name);
    // A method of a recorded type sees the type's members (the methods of
    // one type stand together: its chain is kept for the next).
    if (Output && !Heading.Qualifier.empty()) {
        if (!SameText(chainKey_, Heading.Qualifier)) {
            chainKey_ = Heading.Qualifier;
            chain_ = symbols_.ClassChain(symbols_.CurrentUnit, chainKey_);
        }
    } else if (Output && routines_.empty()) {
        chainKey_.clear();
        chain_.clear();
    }
    TOpenRoutine Routine{Heading.Qualifier, Heading.Name, openers_.size(), false, locals_.size()};
    section_ = tkEndOfInput;
    const bool Nested = !routines_.empty() && Heading.Qualifier.empty();
    if (Nested) {
        Routine.Class = routines_.back().Class;
        Routine.Path = routines_.back().Path + "." + Heading.Name;
    }
    if (Pass() == 1) {
        // Which overload it is shows once the whole implementation is read.
        headings_.push_back({Nested ? AnchorKey({}, Heading.Name) : AnchorKey(Routine.Class, Heading.Name),
                             Nested ? routines_.back().Entry : NoEntry, {}, stream_.IncludeDepth() != 0});
        Routine.Entry = headings_.size() - 1;
        signature_ = &headings_.back().Signature;
    } else if (!Nested) {
        const std::string Key = AnchorKey(Routine.Class, Routine.Path);
        if (const TOverloads* Overloads = symbols_.FindOverloads(symbols_.CurrentUnit, Key)) {
            const std::size_t Index = headingCounts_[Key]++;
            if (Index < Overloads->Headings.size())
                Routine.Path = OverloadName(Routine.Path, Overloads->Headings[Index]);
        }
    }
    routines_.push_back(Routine);
    Class = Routine.Class;
    Path = Routine.Path;
    return true;
}

namespace {

// The first overload of Declared without a body yet (1...), preferring one
// of Count parameters when Count is given (>= 0); 0 when every one has one.
int FirstFree(const std::vector<bool>& Taken, const std::vector<std::uint16_t>& Counts, int Count) {
    if (Count >= 0)
        for (std::size_t K = 0; K < Taken.size(); ++K)
            if (!Taken[K] && Counts[K] == Count) return static_cast<int>(K) + 1;
    for (std::size_t K = 0; K < Taken.size(); ++K)
        if (!Taken[K]) return static_cast<int>(K) + 1;
    return 0;
}

}  // namespace

// Each heading of a key is matched to the interface's declarations of it by
// its parameter types as written. One the interface does not spell so (a
// type written otherwise, a list left out) goes to the first declaration
// still without a body, one of as many parameters first, the parameters
// left out after every other; one that finds none is an overload of the
// implementation's own, numbered after the interface's in reading order.
// A heading spelt as one before it (a forward declaration's body) is that
// one. Anchors then follow in reading order, each claimed once, a nested
// routine's under its enclosing routine's overload.
void TParser::FinishAnchors() {
    if (!Modern() || Pass() != 1) return;
    // Each heading's key; a top-level one's before its overload is known.
    std::vector<std::string> Keys(headings_.size());
    std::vector<std::size_t> Order;  // the top-level headings by key, each key's in reading order
    for (std::size_t I = 0; I < headings_.size(); ++I) {
        if (headings_[I].Parent != NoEntry) continue;
        Keys[I] = std::move(headings_[I].Key);
        Order.push_back(I);
    }
    std::stable_sort(Order.begin(), Order.end(), [&Keys](std::size_t A, std::size_t B) { return Keys[A] < Keys[B]; });
    std::vector<int> Overload(headings_.size(), 1);
    const std::vector<TSignature> NoDeclarations;
    for (std::size_t First = 0, Last = 0; First < Order.size(); First = Last) {
        const std::string& Key = Keys[Order[First]];
        for (Last = First + 1; Last < Order.size() && Keys[Order[Last]] == Key;) ++Last;
        const auto Found = declared_.find(Key);
        const std::vector<TSignature>& Declared = Found == declared_.end() ? NoDeclarations : Found->second;
        if (Declared.size() + (Last - First) > 1) NumberOverloads(Key, Declared, &Order[First], Last - First, Overload);
    }
    // Overloads without a body here (external, abstract, a body elsewhere).
    for (const auto& [Key, Declared] : declared_) {
        if (Declared.size() < 2) continue;
        const auto Found = std::lower_bound(Order.begin(), Order.end(), Key,
                                            [&Keys](std::size_t I, const std::string& K) { return Keys[I] < K; });
        if (Found == Order.end() || Keys[*Found] != Key) NumberOverloads(Key, Declared, nullptr, 0, Overload);
    }
    // A nested routine's key extends its enclosing routine's, as its path does.
    for (std::size_t I = 0; I < headings_.size(); ++I) {
        const THeadingEntry& Entry = headings_[I];
        if (Entry.Parent == NoEntry) {
            if (Overload[I] > 1) Keys[I] = OverloadName(Keys[I], Overload[I]);
        } else
            Keys[I] = Keys[Entry.Parent] + "." + Entry.Key;
        if (ClaimAnchor(Keys[I]) && !Entry.Included) symbols_.AddAnchor(symbols_.CurrentUnit, Keys[I]);
    }
    headings_.clear();
    declared_.clear();
}

void TParser::NumberOverloads(const std::string& Key, const std::vector<TSignature>& Declared,
                              const std::size_t* Headings, std::size_t Count, std::vector<int>& Overload) {
    std::vector<int> Number(Count, 0);
    std::vector<bool> Taken(Declared.size(), false);
    std::vector<std::uint16_t> Counts;
    for (const TSignature& D : Declared) Counts.push_back(D.Max);
    for (std::size_t J = 0; J < Count; ++J)
        for (std::size_t K = 0; K < Declared.size() && Number[J] == 0; ++K)
            if (Declared[K].Types == headings_[Headings[J]].Signature.Types) {
                Number[J] = static_cast<int>(K) + 1;
                Taken[K] = true;
            }
    std::vector<const TSignature*> Own;  // the implementation's own overloads
    for (const bool Omitted : {false, true})
        for (std::size_t J = 0; J < Count; ++J) {
            const TSignature& Signature = headings_[Headings[J]].Signature;
            const bool Listed = Signature.Max != 0 || Signature.Result;
            if (Number[J] != 0 || Listed == Omitted) continue;
            Number[J] = FirstFree(Taken, Counts, Omitted ? -1 : Signature.Max);
            if (Number[J] != 0) {
                Taken[static_cast<std::size_t>(Number[J] - 1)] = true;
                continue;
            }
            for (std::size_t E = 0; E < Own.size() && Number[J] == 0; ++E)
                if (Own[E]->Types == Signature.Types) Number[J] = static_cast<int>(Declared.size() + E) + 1;
            if (Number[J] != 0) continue;
            Own.push_back(&Signature);
            Number[J] = static_cast<int>(Declared.size() + Own.size());
        }
    if (Declared.size() + Own.size() < 2) return;
    TOverloads Overloads{Key, {}, {}};
    for (const TSignature& D : Declared) Overloads.Ranges.push_back({D.Min, D.Max});
    for (const TSignature* O : Own) Overloads.Ranges.push_back({O->Min, O->Max});
    for (std::size_t J = 0; J < Count; ++J) {
        Overload[Headings[J]] = Number[J];
        Overloads.Headings.push_back(static_cast<std::uint16_t>(Number[J]));
    }
    symbols_.AddOverloads(symbols_.CurrentUnit, std::move(Overloads));
}

}  // namespace corvanet
