// The recursive-descent reader over the token stream's current token: one
// token of look-ahead, no backtracking, no tree. The same rules run in every
// pass: in pass 0 they register the project's units, in pass 1 they record
// interface declarations, in passes 2 and 3 they decide where anchors and
// links go while every token flows to the output queue. Rules never raise and
// never report; each consumes tokens or returns prAbsent, so any input ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "../output_queue.h"
#include "../symbols.h"
#include "../token_stream.h"

namespace corvanet {

enum TParseResult : std::uint8_t {
    prAbsent = 0,  // the current token does not start the construct; nothing read
    prParsed = 1,  // read; CurrentToken is the first token after it
    prFailed = 2,  // started, then a token did not fit; CurrentToken is that token
};

// How many rules that can be entered again before they return (directly or
// through other rules) may be open at once. Real code nests a few dozen deep
// at most; input nested deeper is read as if the token where the limit is met
// did not fit (prFailed), and the rest of the file goes on as after any other
// failure, so no input can overflow the reading thread's stack
// (ReadingStackSize in platform.h holds the deepest reading with room to spare).
inline constexpr int MaxNesting = 400;

struct TLinkCounters {
    std::uint64_t HeadingLinks = 0;   // interface heading -> implementation
    std::uint64_t RoutineLinks = 0;   // use of a routine -> its body
    std::uint64_t AncestorLinks = 0;  // class ancestor -> its declaration
    std::uint64_t UnitLinks = 0;      // unit name -> the unit's page
};

class TParser {
public:
    TParser(TTokenStream& Stream, TSymbolTable& Symbols, TOutputQueue& Queue);

    // The name of the type most recently declared; the class rule copies it
    // into CurrentClass. Overwritten by each type declaration, never cleared.
    std::string LastTypeName;
    // Since both were last cleared (a parallel pass clears them at each unit's
    // start): whether a type declaration has set LastTypeName, and whether the
    // class rule read it before one did, i.e. used the name a unit inherits.
    bool TypeNameSet = false;
    bool InheritedTypeNameRead = false;
    TLinkCounters Links;
    // The suffix of the page of the unit being written ("-2" where its name
    // was taken); the unit part of its anchors carries it too.
    std::string PageSuffix;
    // The names the uses clauses read outside the output passes named (the
    // modern dialect), in order; whoever reads them empties the list.
    std::vector<std::string> UsedUnitNames;
    std::vector<int> UsedUnitLines;  // the line of each name, in the unit's own file
    // Whether the names' lines are wanted (a search path looks the names up
    // and warns about those it does not find): lines are counted on demand.
    bool NoteUsedUnitLines = false;
    // Asked before the project file's unit Name at Path is registered; a unit
    // it refuses is left out, its entry written plain. Unset: every unit is taken.
    std::function<bool(std::string_view Name, std::string_view Path)> UnitReadable;
    // Asked for a unit the project file names without a path: the page of
    // the unit it found and registered, or nothing. Unset: none is looked up.
    std::function<std::optional<std::string>(std::string_view Name, int Line)> LookUpUnit;

    // --- unit structure and uses clauses (units.cpp) ---
    [[nodiscard]] TParseResult ReadProjectUses();
    [[nodiscard]] TParseResult ReadProjectUnits();
    [[nodiscard]] TParseResult ReadUnitHeading();
    [[nodiscard]] TParseResult ReadInterfaceSection();
    [[nodiscard]] TParseResult ReadUsesClause();
    [[nodiscard]] TParseResult ReadContainsClause();
    [[nodiscard]] TParseResult ReadUsedUnits();
    [[nodiscard]] TParseResult ReadIdentList();
    [[nodiscard]] TParseResult ReadUnitNames();

    // --- declarations (declarations.cpp) ---
    [[nodiscard]] TParseResult ReadDeclarations();
    [[nodiscard]] TParseResult ReadLabelSection();
    [[nodiscard]] TParseResult ReadConstSection();
    [[nodiscard]] TParseResult ReadConstDeclarations();
    [[nodiscard]] TParseResult ReadTypeSection();
    [[nodiscard]] TParseResult ReadTypeDeclaration();
    [[nodiscard]] TParseResult ReadVarSection();
    [[nodiscard]] TParseResult ReadVarDeclaration();
    [[nodiscard]] TParseResult ReadExportsSection();
    [[nodiscard]] TParseResult ReadResourcestringSection();
    [[nodiscard]] TParseResult ReadType();
    [[nodiscard]] TParseResult ReadSimpleType();
    [[nodiscard]] TParseResult ReadOrdinalType();
    [[nodiscard]] TParseResult ReadEnumeration();
    [[nodiscard]] TParseResult ReadSubrange();
    [[nodiscard]] TParseResult ReadStringType();
    [[nodiscard]] TParseResult ReadPointerType();
    [[nodiscard]] TParseResult ReadProceduralType();
    [[nodiscard]] TParseResult ReadConstValue();
    [[nodiscard]] TParseResult ReadRoutineDeclaration();
    [[nodiscard]] TParseResult ReadFormalParameters();
    [[nodiscard]] TParseResult ReadParameterGroup();

    // --- structured types and members (types.cpp) ---
    [[nodiscard]] TParseResult ReadStructuredType();
    [[nodiscard]] TParseResult ReadArrayType();
    [[nodiscard]] TParseResult ReadRecordType();
    [[nodiscard]] TParseResult ReadFieldList();
    [[nodiscard]] TParseResult ReadFixedFields();
    [[nodiscard]] TParseResult ReadVariantPart();
    [[nodiscard]] TParseResult ReadVariant();
    [[nodiscard]] TParseResult ReadSetType();
    [[nodiscard]] TParseResult ReadFileType();
    [[nodiscard]] TParseResult ReadClassType();
    [[nodiscard]] TParseResult ReadClassMembers();
    [[nodiscard]] TParseResult ReadFieldDeclaration();
    [[nodiscard]] TParseResult ReadMethodDeclaration();
    [[nodiscard]] TParseResult ReadMethodHeading();
    [[nodiscard]] TParseResult ReadMethodDirectives();
    [[nodiscard]] TParseResult ReadProperty();
    [[nodiscard]] TParseResult ReadPropertySpecifiers();
    [[nodiscard]] TParseResult ReadVisibilityWord();

    // --- expressions (expressions.cpp) ---
    [[nodiscard]] TParseResult ReadExpression();
    [[nodiscard]] TParseResult ReadSimpleExpression();
    [[nodiscard]] TParseResult ReadTerm();
    [[nodiscard]] TParseResult ReadFactor();
    [[nodiscard]] TParseResult ReadDesignator();
    [[nodiscard]] TParseResult ReadSelector();
    [[nodiscard]] TParseResult ReadSetConstructor();

    // --- identifier references and hyperlinks (links.cpp) ---
    [[nodiscard]] TParseResult ReadProcedureHeading();
    [[nodiscard]] TParseResult ReadFunctionHeading();
    [[nodiscard]] TParseResult ReadConstructorHeading();
    [[nodiscard]] TParseResult ReadDestructorHeading();
    [[nodiscard]] TParseResult ReadAncestors();
    [[nodiscard]] TParseResult LinkIdentifier();

    // Anchor names, on this page: "%s_%s" of (CurrentUnit, Name) and
    // "%s_%s_%s" of (CurrentUnit, Class, Name).
    std::string SymbolAnchor(std::string_view Name) const;
    std::string SymbolAnchor(std::string_view ClassName, std::string_view Name) const;
    // The one spelling of anchor names and link targets: Unit, ClassName
    // (when not empty) and Name joined by "_". The modern dialect's unit part
    // is the page name, and each part is ASCII-lower-cased with a byte above
    // 127 written ".0hh" (its hex value), so the name is plain ASCII for HTML
    // fragments and help context strings alike and both ends match exactly.
    std::string AnchorName(std::string_view Unit, std::string_view ClassName, std::string_view Name) const;
    // The same without the unit part: how pass 1 lists a unit's anchors.
    std::string AnchorKey(std::string_view ClassName, std::string_view Name) const;
    // Pass 1 reading an implementation: the output pass will write the
    // anchor ClassName_Name on this unit's page.
    void NoteAnchor(std::string_view ClassName, std::string_view Name);
    // The modern dialect writes each anchor name once on a page (with the
    // include files it reads): the first heading of a name takes it, a body
    // after its forward declaration links there. ClaimAnchor says whether
    // Key is still free and takes it; BeginPage frees them all.
    bool ClaimAnchor(const std::string& Key);
    // A symbol or member the interface declares, the name in hand: pass 1
    // lists its key (outside include files), pass 2 writes its anchor next,
    // unless the anchor stands elsewhere (a routine's body, after a class's
    // keyword) or the page holds it already. Links find it by HasAnchor.
    void DeclareAnchor(std::string_view ClassName, std::string_view Name);
    // Pass 1, the unit read: which overload each implementation heading
    // is (matched to the interface's declarations by parameter types), the
    // anchors the output pass will write for them, and the overloads.
    void FinishAnchors();
    // Pass 2, output not held: reads on with the next significant token left
    // unwritten (blanks and comments before it are written), so an anchor can
    // still go in front of it; WriteHeld writes it. False when nothing is held.
    bool ReadHoldingNext();
    void WriteHeld() {
        if (stream_.TokenHook) stream_.TokenHook();
    }
    // Accept(K) where a type or a value follows in a declaration: in the
    // modern output passes the name after K links to the recorded symbol it
    // names (a single name, looked up as a use in a body is).
    bool AcceptLinking(TTokenKind K);
    void BeginPage() {
        claimed_.clear();
        declared_.clear();
        headings_.clear();
        usedUnits_.clear();
        ownUnitName_.clear();
        ResetBlocks();
    }

    // The pass-2 dispatch of the token in hand: identifiers to LinkIdentifier,
    // headings, `interface`, `unit` and `uses` to their rules, `implementation`
    // switches to pass 3; any other token is passed over with the next one held
    // back until it is known whether it is an identifier. The output pass of a
    // unit runs it until the end of the file; each call consumes a token.
    void DispatchToken();

    // Link and anchor entries (links.cpp). A unit link goes to the unit's page
    // and topic under its page name (TURElm::Page), whatever the caption's
    // letter case; a symbol link to the anchor UnitPage_Name on that page.
    void AmendUnitLink(std::size_t Index, std::string_view UnitPage, std::string_view Caption);
    // In the modern dialect only a link whose anchor will exist is written
    // (UnitName's anchors); false when the name stays plain. A call passing
    // Arguments (negative: not known) links to the overload CallOverload picks.
    bool AmendSymbolLink(std::size_t Index, std::string_view UnitName, std::string_view UnitPage,
                         std::string_view Name, std::string_view Caption, int Arguments = -1);
    std::string ModernTarget(std::string_view UnitName, std::string_view UnitPage, std::string_view Class,
                             std::string_view Name, int Arguments) const;
    // Arguments of a call whose "(" is the token in hand: counted from the
    // source ahead when the name is overloaded (CountArguments).
    static constexpr int ArgumentsAhead = -2;
    // The arguments of a call whose name has just been read: none without a
    // "(" (or type arguments) after it, ArgumentsAhead with one.
    int CallArguments() const noexcept {
        return Kind() == tkLParen ? ArgumentsAhead : Kind() == tkLess ? -1 : 0;
    }
    void AmendAnchorLink(std::size_t Index, std::string_view UnitPage, const std::string& Target,
                         std::string_view Caption);

    // --- the modern dialect's own rules (members.cpp, directives.cpp) ---
    // Where the grammar forks, a rule asks this and nothing else.
    bool Modern() const noexcept { return stream_.Dialect == TDialect::Modern; }
    // class, object, interface, dispinterface or record, with the heading
    // (sealed, abstract, helper ... for, ancestors) and the member sections.
    [[nodiscard]] TParseResult ReadStructure();
    // [Visibility] members up to Close ("end", or ")" of a variant), unread.
    [[nodiscard]] TParseResult ReadMemberSections(TTokenKind Close);
    [[nodiscard]] TParseResult ReadMember();
    [[nodiscard]] TParseResult ReadFields();
    [[nodiscard]] TParseResult ReadMemberConstants();
    [[nodiscard]] TParseResult ReadRecordVariants();
    [[nodiscard]] TParseResult ReadOperatorHeading();
    // Directives after a routine heading and its ";": each with its
    // arguments, in any order, each followed by ";". In a member list
    // "public" is a visibility word, not Free Pascal's export directive.
    [[nodiscard]] TParseResult ReadDirectives(bool Member);
    bool IsDirective(bool Member) const noexcept;
    // "deprecated ['text']", "platform", "library", "experimental".
    void SkipHints();
    // "[" ... "]" {"[" ... "]"}: attributes, and an interface's GUID.
    void SkipAttributes();
    // A value that is passed over, not read by rule: up to a ";" or one of
    // Stops outside brackets (or a token that cannot be in a value). prFailed
    // when it is empty.
    [[nodiscard]] TParseResult SkipValue(TTokenKind Stop1 = tkSemicolon, TTokenKind Stop2 = tkSemicolon);
    // "<" ... ">": type parameters (with constraints) or a heading's; Arity
    // counts the parameters. With Held every token is queued (the heading
    // reader holds output). A closing ">=" also takes the declaration's "=".
    // Names, when given, receives the parameters' names, ", " between them.
    [[nodiscard]] TParseResult ReadTypeParameters(int& Arity, bool Held, bool& EqualTaken,
                                                  std::string* Names = nullptr);
    // identifier {"." identifier} [TypeArguments] {"." identifier [TypeArguments]}
    // Key, when given, receives the reference as a type's key spells it
    // (Unit.TList.1 for Unit.TList<Integer>); ReadTypeReferenceRest appends
    // to the first part already in it.
    [[nodiscard]] TParseResult ReadTypeReference() { return ReadTypeReference(nullptr); }
    [[nodiscard]] TParseResult ReadTypeReference(std::string* Key);
    [[nodiscard]] TParseResult ReadTypeReferenceRest() { return ReadTypeReferenceRest(nullptr); }
    [[nodiscard]] TParseResult ReadTypeReferenceRest(std::string* Key);
    // "<" Type {"," Type} ">"; Arity, when given, counts the types.
    [[nodiscard]] TParseResult ReadTypeArguments() { return ReadTypeArguments(nullptr); }
    [[nodiscard]] TParseResult ReadTypeArguments(int* Arity);
    // The key of a generic type: its name, a period and its arity ("Tuple.2"),
    // which no identifier can spell.
    static std::string GenericName(std::string_view Name, int Arity);
    // The dotted path of the types whose members are being read, the prefix
    // of a nested type's name; empty at unit level.
    std::string TypePrefix;
    // The name a type declaration gives the structured type it is about to
    // read, taken by that type; empty for a type without a name of its own.
    std::string PendingTypeName;
    // While an interface or dispinterface's members are read: its methods
    // have no bodies, so their headings link to nothing.
    bool InInterfaceType = false;
    // The symbol pass notes the identifier in hand as one of the type's
    // names that the report does not list (TCRElm::OtherNames).
    void NoteOtherMember();
    // The symbol pass's key of the class ancestor ReadAncestors last read
    // (empty when it read none or a Free Pascal specialization).
    std::string AncestorKey;

    // Shared helpers of the rules.
    TTokenKind Kind() const noexcept { return stream_.CurrentToken.Kind; }
    std::string_view Text() const noexcept { return stream_.CurrentToken.Text; }
    void Read() {
        if (capture_) CaptureToken();
        stream_.NextToken();
    }
    // True when the current token is an identifier whose lower-cased text is Word.
    bool IsWord(std::string_view Word) const noexcept;
    std::uint8_t Pass() const noexcept { return stream_.CurrentPass; }
    // Queues Text in Style while output stays held and returns the entry's
    // position, so a rule keeps a name's place in the output before it reads
    // on and can amend the entry once it knows what the name is.
    std::size_t QueueHeld(std::string_view Text, TokenStyle Style);
    // The same for the current token in its own style.
    std::size_t QueueHeldToken();

    // Every rule that can recur opens one of these first and gives up, reading
    // nothing, when it is too deep:
    //     const TNesting Nesting(*this);
    //     if (Nesting.TooDeep()) return prFailed;
    // One count serves every such rule, so a cycle through several of them is
    // bounded too. A rule needs it when a path through the grammar leads from
    // it back to itself without passing a rule that has one (today ReadType,
    // ReadFieldList, ReadConstValue, ReadFactor and ReadMemberSections close
    // every cycle).
    class TNesting {
    public:
        explicit TNesting(TParser& Parser) noexcept : parser_(Parser) { ++parser_.nesting_; }
        ~TNesting() { --parser_.nesting_; }
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;
        bool TooDeep() const noexcept { return parser_.nesting_ > MaxNesting; }

    private:
        TParser& parser_;
    };

    TTokenStream& Stream() noexcept { return stream_; }
    TSymbolTable& Symbols() noexcept { return symbols_; }
    TOutputQueue& Queue() noexcept { return queue_; }

private:
    [[nodiscard]] TParseResult DispatchRule();
    [[nodiscard]] TParseResult ReadRoutineHeading(TTokenKind Keyword, TSymbolKind Routine);
    // The heading after its keyword, output held.
    [[nodiscard]] TParseResult ReadRoutineHeadingRest(TSymbolKind Routine);
    bool IsOperatorName() const noexcept;
    [[nodiscard]] TParseResult ReadModernTypeDeclaration();
    [[nodiscard]] TParseResult ReadModernProperty();
    struct THeadingName {
        std::string Qualifier;  // empty without one
        std::string Name;
        std::size_t First = 0;  // queue position of the first part
        std::size_t Last = 0;   // queue position of the name
    };
    [[nodiscard]] TParseResult ReadHeadingName(TSymbolKind Routine, THeadingName& Heading);
    [[nodiscard]] TParseResult ReadModernHeadingName(TSymbolKind Routine, THeadingName& Heading);
    void MarkHeading(const THeadingName& Heading);
    [[nodiscard]] TParseResult ReadDottedName(std::vector<std::size_t>& Parts);
    [[nodiscard]] TParseResult PassDottedName();
    void LinkDottedName(const std::vector<std::size_t>& Parts);
    void LinkQualifiedSymbol(const std::vector<std::size_t>& Parts, std::size_t At,
                             std::optional<std::size_t> InUnit, int Arguments);
    // Whether a name that starts a use can become a link: a visible routine
    // (a single name) or a registered unit (a dotted one).
    bool MayLink(std::string_view Name) const;
    bool OwnBody(std::string_view Name) const;
    // The table's index of the unit being read, looked up once per page
    // (OwnBody asks it for nearly every name of a body), and the folded
    // hashes of its body anchors, which tell most names at once that they
    // are none of them.
    int OwnUnit() const;
    mutable std::string ownUnitName_;
    mutable int ownUnit_ = -1;
    mutable std::unordered_set<std::uint64_t> ownBodyHashes_;
    void RecordRoutine(std::string_view Name, TSymbolKind Kind);
    [[nodiscard]] std::string RegisteredPage(std::string_view Path) const;
    [[nodiscard]] std::string QuotedPath(std::string_view Literal) const;
    [[nodiscard]] TParseResult ReadUnitName(std::vector<std::size_t>& Parts, std::string& Name);
    void AmendUnitLink(const std::vector<std::size_t>& Parts, std::string_view Name, std::string_view UnitPage);

    // Helpers of the declaration, type and expression rules.
    using TRule = TParseResult (TParser::*)();
    // Reads the current token when it is of this kind; says whether it did.
    bool Accept(TTokenKind K) {
        if (Kind() != K) return false;
        Read();
        return true;
    }
    // "register", "pascal", "cdecl", "stdcall" or "safecall", or a Free
    // Pascal macro that stands for one.
    bool IsCallingConvention() const noexcept;
    // The text of the Free Pascal macro the current identifier names ({$DEFINE
    // Name:=Text}, modern dialect), empty for any other token.
    std::string_view MacroText() const;
    // Item {Separator Item} Close, the opening token already read: every item
    // must give prParsed, anything but a separator or Close after it fails.
    [[nodiscard]] TParseResult ReadListRest(TRule Item, TTokenKind Separator, TTokenKind Close);
    // Operand {Operator Operand}: prAbsent unless the first operand is read.
    [[nodiscard]] TParseResult ReadOperands(TRule Operand, bool (*IsOperator)(TTokenKind));
    // The parts of rules that are not rules of the grammar by themselves.
    [[nodiscard]] TParseResult ReadTypedConstant();
    [[nodiscard]] TParseResult ReadArrayConstant();
    [[nodiscard]] TParseResult ReadRecordConstant();
    [[nodiscard]] TParseResult ReadRecordConstantField();
    // identifier {"," identifier}, each recorded with Kind when it is read.
    [[nodiscard]] TParseResult ReadRecordedNames(TSymbolKind Kind);
    // Rule {Rule}: prParsed at the first prAbsent, prFailed at a failure.
    [[nodiscard]] TParseResult ReadWhileParsed(TRule Rule);
    [[nodiscard]] TParseResult ReadSetElement();
    [[nodiscard]] TParseResult ReadPropertyInterface();
    [[nodiscard]] TParseResult ReadPropertyDefault(TParseResult Otherwise);
    void SkipUnreadSection();

    // The modern output pass's view of the implementation's blocks, for the
    // anchors of nested routines: the keywords that open a block still open
    // (begin, asm, try, case, and the types with members), and the routines
    // whose headings were read and whose bodies have not ended. A routine
    // whose heading comes before the body of another is nested in it.
    struct TOpenRoutine {
        std::string Class, Path;  // the anchor's parts: Path is "Outer.Inner" for a nested one
        std::size_t Depth = 0;    // blocks open at the heading; within its body, one more
        bool Body = false;
        std::size_t Locals = 0;   // locals_ before its own
        std::size_t Entry = 0;    // pass 1: its entry in headings_
    };
    // The class of the outermost open routine, when it is a method of a
    // recorded type, and its recorded ancestors (ClassChain), for the names
    // its body uses: they are the type's members before any unit's symbols.
    std::vector<TClassAt> chain_;
    std::string chainKey_;  // the type chain_ was found for
    // The blocks open at each "with" whose statement has not ended yet.
    std::vector<std::size_t> withs_;
    bool afterInherited_ = false;  // the token in hand follows "inherited"
    bool afterPeriod_ = false;     // the token in hand follows a period ("F(X).Name")
    // Within a method of a recorded type (the output pass, not in a type body).
    bool InMethod() const noexcept;
    // The type's members may link: no "with" statement is being read, whose
    // subject's members could stand for them.
    bool MembersVisible() const noexcept;
    static bool IsImplicitLocal(std::string_view Name) noexcept;
    // The member scope's decision on a use (the output pass of a modern
    // unit): true when the use is settled (linked to a member or left
    // plain), false when the unit's and used units' symbols decide.
    bool LinkInScope(const std::vector<std::size_t>& Parts);
    // "inherited" in a method, output held: a bare one links to the method
    // it stands in, as the nearest recorded ancestor declares it.
    [[nodiscard]] TParseResult ReadInherited();
    // A link to a member with an anchor, to the overload a call passing
    // Arguments (negative: not known) takes; false when it stays plain.
    bool AmendMemberLink(std::size_t Index, const TMemberAt& Member, std::string_view Caption, int Arguments = -1);
    // The modern output pass's local names of the open routines: parameters,
    // the names its var, const and type sections declare, inline variables.
    // Such a name hides a symbol of the same name, so it never links.
    std::vector<std::string> locals_;
    bool collectLocals_ = false;  // the parameters being read are locals
    bool collectFields_ = false;  // the names being read are a type's fields
    bool declaredLast_ = false;   // the previous identifier declared a local
    TTokenKind section_ = tkEndOfInput;  // the local section being read, if any
    void PopRoutine();
    bool IsLocal(std::string_view Name) const;
    std::vector<TTokenKind> openers_;
    std::size_t typeOpeners_ = 0;  // the types with members among openers_
    void OpenBlock(TTokenKind K);
    std::vector<TOpenRoutine> routines_;
    // Whether the identifier in hand, at the dispatch, declares a local.
    bool DeclaresLocal() const noexcept;
    TTokenKind lastKind_ = tkEndOfInput;     // the kind of the dispatch's previous token
    TTokenKind pendingType_ = tkEndOfInput;  // "= class" until it shows whether a body follows
    int pendingParens_ = 0;
    bool operatorHeading_ = false;  // the "operator" in hand starts a heading
    bool typeAfterEqual_ = false;   // the token in hand is the "type" of "= type"
    void TrackBlock();
    void ResetBlocks();
    bool InStatements() const noexcept;
    // The modern dialect's passes over an implementation: the output pass,
    // and the symbol pass listing the anchors it will write.
    bool ReadingImplementation() const noexcept;
    bool InTypeBody() const noexcept;
    // The class and name parts of the anchor of a heading read in the
    // implementation, nested routines under their enclosing routine's name
    // (Path "bar.check"); false for a heading inside a type declaration,
    // which opens no body.
    bool ImplementationName(const THeadingName& Heading, std::string& Class, std::string& Path);

    // Overloads (modern). A routine's parameters as a body is matched to its
    // declaration by them: a hash of the type of each parameter as written
    // (in lower case, none for an untyped one), of "class" before a class
    // method and of a function's result type, and how many arguments a call
    // may pass.
    struct TSignature {
        std::uint64_t Types = 14695981039346656037ull;  // FNV-1a
        std::uint16_t Min = 0, Max = 0;
        bool Result = false;  // a result type is written
        void Mix(std::uint64_t Part) noexcept { Types = (Types ^ Part) * 1099511628211ull; }
    };
    // Pass 1 reading the interface: the routines declared, by key, in order.
    std::unordered_map<std::string, std::vector<TSignature>> declared_;
    // Pass 1 reading the implementation: its headings in order, each
    // anchored once all are read and the overloads are known.
    static constexpr std::size_t NoEntry = static_cast<std::size_t>(-1);
    struct THeadingEntry {
        // The anchor key, less the overload: ClassName_Name, or for a nested
        // routine the part of its own name.
        std::string Key;
        std::size_t Parent = NoEntry;  // the enclosing routine's entry
        TSignature Signature;
        bool Included = false;  // read from an include file
    };
    std::vector<THeadingEntry> headings_;
    // Which overload each of the Count headings_ of Key at Headings is
    // (into Overload), and the unit's TOverloads when Key has several.
    void NumberOverloads(const std::string& Key, const std::vector<TSignature>& Declared,
                         const std::size_t* Headings, std::size_t Count, std::vector<int>& Overload);
    // The heading in hand follows "class" (a class method, which a method
    // of the same name and parameters may overload).
    bool classRoutine_ = false;
    // The signature the parameters being read go into (pass 1), and the
    // hash of the tokens read, with their count, while set.
    TSignature* signature_ = nullptr;
    TSignature* capture_ = nullptr;
    std::size_t captured_ = 0;
    void CaptureToken();
    [[nodiscard]] TParseResult ReadModernParameterGroup(TSignature* Signature);
    // Passes 2 and 3: the headings met so far by key, the interface's
    // until `implementation`, then the implementation's top-level ones.
    std::unordered_map<std::string, std::size_t> headingCounts_;
    // Name, or Name.k for the k-th overload (k >= 2).
    static std::string OverloadName(std::string_view Name, int K);

    TTokenStream& stream_;
    TSymbolTable& symbols_;
    TOutputQueue& queue_;
    int nesting_ = 0;  // TNesting objects open
    std::unordered_set<std::string> claimed_;  // anchor keys written on this page
    // The modern dialect's used units as the compiler searches them: the
    // last uses clause's last-named first, then the clause before it.
    std::vector<int> usedUnits_;
    void MakeUsedUnitsVisible(const std::vector<int>& Found);
};

}  // namespace corvanet
