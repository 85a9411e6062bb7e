#!/usr/bin/env python3
"""The game's layers as built and as written.

The battle's and the view's archives need nothing the flow defines, the battle's nothing the view
defines, core's nothing of the three above it (so they link in plain order). The view's archive
needs nothing on its deny list (a random draw, a sound start, a battle routine that makes, starts
or advances something), and everything the battle's needs from outside core and itself is on the
battle's allow list, each entry with its reason; both whether the layer needs the name itself or
through the core functions it needs. No source under game/view/ writes to the game state that core
and the battle declare. Given STATE_MAP (the program tests/scripts/battle_state_map.cpp, linked
with every object of core and the battle), no writable datum of core or the battle is left out of
the battle state unseen: each lies wholly in the ranges the drawn frame's guard takes (the field
table and the blocks beside it) or is on the table's left-out list, which names each datum by its
object file and its name.

    check_game_layers.py SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a [STATE_MAP]

Prints each finding (the symbol, the layer or the rule it breaks, and the core function it is
needed through) and exits 1 when there is one, 0 when there is none, 2 on bad arguments or input
it cannot read.

Every archive is read once, by its members' ELF records: each symbol by its name, object file,
section, binding, type, size and whether it is thread-local, and core's relocations. Names are
demangled once; a symbol is known by its object file and its full demangled name (arguments and
"(anonymous namespace)" kept), and rules that speak of a function by its name match it without
its argument list.
"""

import ctypes
import glob
import io
import os
import re
import subprocess
import sys

from elftools.common.exceptions import ELFError
from elftools.elf.constants import SH_FLAGS
from elftools.elf.elffile import ELFFile
from elftools.elf.relocation import RelocationSection

PROGRAM = "check-game-layers"
LAYERS = ("core", "battle", "view", "flow")


class BadInput(Exception):
    """Arguments or files the check cannot work on: exit 2, never a finding."""


# --- The archives ---------------------------------------------------------------------------------


def archive_members(path):
    """The object files of a System V (GNU) archive, as (name, bytes) in archive order.

    Global header "!<arch>\\n", then members, each a 60-byte header (name 16, date 12, uid 6,
    gid 6, mode 8, size 10, magic "`\\n") and its data padded to an even length. "/" and
    "/SYM64/" are the symbol index, "//" the table of long names ("NAME/\\n" each), "/OFFSET" a
    long name by its offset there, "NAME/" a short one.
    """
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError as error:
        raise BadInput(f"cannot read {path}: {error.strerror}") from error
    if not data.startswith(b"!<arch>\n"):
        raise BadInput(f"{path} is not an ar archive")
    members = []
    long_names = b""
    at = 8
    while at < len(data):
        header = data[at:at + 60]
        if len(header) < 60 or header[58:60] != b"`\n":
            raise BadInput(f"{path}: damaged member header at byte {at}")
        name = header[0:16].decode("ascii", "replace").rstrip(" ")
        try:
            size = int(header[48:58].decode("ascii"))
        except ValueError as error:
            raise BadInput(f"{path}: damaged member size at byte {at}") from error
        body = data[at + 60:at + 60 + size]
        if len(body) != size:
            raise BadInput(f"{path}: member at byte {at} runs past the end")
        at += 60 + size + (size & 1)
        if name in ("/", "/SYM64/"):
            continue
        if name == "//":
            long_names = body
            continue
        if name.startswith("/") and name[1:].isdigit():
            offset = int(name[1:])
            end = long_names.find(b"/\n", offset)
            if end < 0:
                raise BadInput(f"{path}: long name {name} not in the table of names")
            name = long_names[offset:end].decode("utf-8", "replace")
        elif name.endswith("/"):
            name = name[:-1]
        else:
            raise BadInput(f"{path}: member name {name!r} is in no form this check reads")
        members.append((name, body))
    return members


# A section whose relocations are no reference of one function or datum to another: debug
# information, unwind and exception tables refer to every function, notes and comments to none.
UNFOLLOWED_SECTION = re.compile(r"\.(debug|eh_frame|gcc_except_table|note|comment)")

BINDINGS = {"STB_LOCAL": "local", "STB_GLOBAL": "global", "STB_WEAK": "weak", "STB_LOOS": "unique"}


def symbol_table(elf):
    """The ELF file's symbol table, or None. It is sought from the end, where it usually stands, so
    that no other section's header is read."""
    for index in range(elf.num_sections() - 1, 0, -1):
        section = elf.get_section(index)
        if section["sh_type"] == "SHT_SYMTAB":
            return section
    return None


class Symbol:
    """One entry of an object's symbol table."""

    __slots__ = ("name", "demangled", "obj", "shndx", "binding", "type", "size")

    def __init__(self, name, obj, shndx, binding, kind, size):
        self.name = name  # as the object spells it (mangled)
        self.demangled = name
        self.obj = obj
        self.shndx = shndx  # section index, or "SHN_UNDEF", "SHN_ABS", "SHN_COMMON"
        self.binding = binding  # local, global, weak, unique
        self.type = kind  # STT_OBJECT, STT_FUNC, STT_TLS, ...
        self.size = size

    @property
    def defined(self):
        return self.shndx != "SHN_UNDEF"

    @property
    def section(self):
        """The name of the section that holds it; "" for the special indices."""
        return self.obj.section(self.shndx)[0] if isinstance(self.shndx, int) else ""

    @property
    def tls(self):
        if self.type == "STT_TLS":
            return True
        return isinstance(self.shndx, int) and bool(self.obj.section(self.shndx)[1] &
                                                     SH_FLAGS.SHF_TLS)

    @property
    def writable(self):
        """Common, or in a section whose flags let the program write it, whatever it is named (a
        section attribute can name a written datum's section .rodata.*). The one exception goes by
        name: .data.rel.ro and .data.rel.ro.* carry the write flag only so that the loader can
        relocate them, and are read-only once it has."""
        if self.shndx == "SHN_COMMON":
            return True
        if not isinstance(self.shndx, int):
            return False
        name, flags = self.obj.section(self.shndx)
        relro = name == ".data.rel.ro" or name.startswith(".data.rel.ro.")
        return bool(flags & SH_FLAGS.SHF_WRITE) and not relro


class ObjectFile:
    """One member of a layer's archive: its symbols (with the local ones when asked for: the
    layers whose data or whose references are followed) and what each section refers to."""

    def __init__(self, layer, member, data, archive, with_locals):
        self.layer = layer
        self.member = member
        self.source = ""  # the source file its STT_FILE entry names
        self.index = 0  # its place in the archive
        self._sections = {}
        try:
            self.elf = ELFFile(io.BytesIO(data))
            # Every entry by its place in the table, as relocations name them; the ones read.
            self.table = self._read_symbols(with_locals)
            self.symbols = [symbol for symbol in self.table if symbol is not None]
        except (ELFError, ValueError, KeyError) as error:
            raise BadInput(f"{archive}: cannot read member {member}: {error}") from error

    def section(self, index):
        """(name, flags) of a section, each read once."""
        known = self._sections.get(index)
        if known is None:
            section = self.elf.get_section(index)
            known = self._sections[index] = (section.name, section["sh_flags"])
        return known

    def _read_symbols(self, with_locals):
        """The symbol table's entries, indexed as in the table (locals and STT_FILE entries are
        None unless asked for)."""
        table = symbol_table(self.elf)
        if table is None:
            return []
        first = 0 if with_locals else table["sh_info"]  # the first global
        symbols = [None] * first
        for number in range(first, table.num_symbols()):
            entry = table.get_symbol(number)
            kind = entry["st_info"]["type"]
            shndx = entry["st_shndx"]
            if kind == "STT_FILE":
                self.source = self.source or entry.name
            if shndx == "SHN_XINDEX":
                raise BadInput(f"{self.member}: a symbol's section is beyond this check's reach")
            bind = entry["st_info"]["bind"]
            symbols.append(Symbol(entry.name, self, shndx, BINDINGS.get(bind, bind), kind,
                                  entry["st_size"]))
        return symbols

    def references(self):
        """{section index: [Symbol, ...]}: what each section refers to, for every section whose
        references count."""
        refers = {}
        for section in self.elf.iter_sections():
            if not isinstance(section, RelocationSection):
                continue
            target = section["sh_info"]
            if UNFOLLOWED_SECTION.match(self.section(target)[0]):
                continue
            symbols = refers.setdefault(target, [])
            for relocation in section.iter_relocations():
                index = relocation["r_info_sym"]
                if 0 < index < len(self.table) and self.table[index] is not None:
                    symbols.append(self.table[index])
        return refers


def read_layer(layer, path):
    # Core's references are followed and the data of core and the battle placed in the state, so
    # their local symbols count; of the view and the flow only what they define for others and
    # what they need does.
    objects = [ObjectFile(layer, member, data, path, layer in ("core", "battle"))
               for member, data in archive_members(path)]
    for index, obj in enumerate(objects):
        obj.index = index
    return objects


# --- Names ----------------------------------------------------------------------------------------


class Demangler:
    """The C++ runtime's own demangler, once per name."""

    def __init__(self):
        try:
            runtime = ctypes.CDLL("libstdc++.so.6")
            libc = ctypes.CDLL("libc.so.6")
        except OSError as error:
            raise BadInput(f"cannot load the C++ runtime to demangle names: {error}") from error
        self._demangle = getattr(runtime, "__cxa_demangle")
        self._demangle.restype = ctypes.c_void_p
        self._demangle.argtypes = [ctypes.c_char_p, ctypes.c_void_p, ctypes.c_void_p,
                                   ctypes.POINTER(ctypes.c_int)]
        self._free = libc.free
        self._free.argtypes = [ctypes.c_void_p]
        self._known = {}

    def __call__(self, name):
        known = self._known.get(name)
        if known is not None:
            return known
        text = name
        # Only a C++ name is mangled; the runtime would read a C name such as "i" as a type.
        if name.startswith("_Z"):
            status = ctypes.c_int(0)
            result = self._demangle(name.encode(), None, None, ctypes.byref(status))
            if result:
                if status.value == 0:
                    text = ctypes.string_at(result).decode("utf-8", "replace")
                self._free(result)
        self._known[name] = text
        return text


CLONE = re.compile(r" \[clone [^]]*\]$")
QUALIFIER = re.compile(r" (const|volatile|&|&&|noexcept|transaction_safe)$")


def bare_name(demangled):
    """A function's name without its argument list (the trailing balanced parenthesised list, so
    that "operator()" and "(anonymous namespace)" stay whole), its qualifiers and clone marks.
    Data keep their names."""
    name = demangled
    while True:
        stripped = QUALIFIER.sub("", CLONE.sub("", name))
        if stripped == name:
            break
        name = stripped
    if not name.endswith(")"):
        return name
    depth = 0
    for at in range(len(name) - 1, -1, -1):
        if name[at] == ")":
            depth += 1
        elif name[at] == "(":
            depth -= 1
            if depth == 0:
                return name[:at]
    return name


# --- The rules ------------------------------------------------------------------------------------

# What the view must not need, from whichever library: (rule, pattern over the name without its
# arguments). A pattern ends at the name right after its namespace, so no member function
# matches: the drawn frame's look-ahead (a member that only peeks at the generator) passes
# whatever its type comes to be called.
WORD = r"([A-Z0-9_][A-Za-z0-9_]*)?$"  # what may follow a verb: a capital, a digit or the end
VIEW_DENY = [
    # A real draw moves the generator, and so every number looked ahead at later in the frame and
    # every number the battle draws after it. Seeding moves it just the same.
    ("random draw", r"^morrow::(GetRandomNumber|NextRandomWord|SeedRandom)$"),
    # The battle's shared wrapper of that draw (game/battle/launchers.h).
    ("random draw", r"^veyrdale::Rand$"),
    # Sounds and music are started by the battle and the flow after the draw, in the order the
    # frame's selections asked for them; the view only lists them.
    ("sound start", r"^morrow::(Play|Start)[A-Za-z]*(Sound|Music|Midi)[A-Za-z]*$"),
    # The game's one way to play a sound entry (game/core/sound_entries.h).
    ("sound start", r"^veyrdale::PlaySound[A-Za-z]*$"),
    # The battle's routines that make things (effects, shots, items, familiars, hit bursts, arena
    # objects), start them (moves, spell cards, rounds) or advance them a frame (Update*, Run*,
    # the battle's step): each changes game state the view only reads. WORD keeps the verb a
    # whole word, so Runway or Starting would not match.
    ("battle routine",
     r"^veyrdale::(Create|Spawn|Launch|Relaunch|Fire|Dispatch|Shoot|Place|Give)" + WORD),
    ("battle routine", r"^veyrdale::(Start|Update|Run|Step)" + WORD),
]
VIEW_DENY = [(rule, re.compile(pattern)) for rule, pattern in VIEW_DENY]

# Everything the battle may need from outside core and itself, directly or through core's
# functions: (pattern over the name without its arguments, reason). Anything else is a finding. The
# battle opens, finds and reads no file: the flow reads what a stage needs at its set-up, so no
# opener of a file, stream, directory, process or library is here, and no call of the library that
# takes a path. Printing to stderr passes although fwrite and the others write to any stream: the
# only stream the battle can name is stderr (neither stdout nor stdin is here, nor anything that
# makes a stream), and a stream handed over at run time, like a function pointer stored at run
# time, is beyond what a check on symbols sees.
BATTLE_ALLOW = [
    (r"mem(cpy|move|set|cmp|chr)|strlen", "memory and string calls"),
    (r"snprintf", "formatting into a buffer: a guard's message, a field's name"),
    (r"(sin|cos|sincos|atan)l",
     "the math calls the direction tables are built with (sine and cosine may become one call)"),
    (r"operator (new|delete)",
     "the C++ runtime's allocation: the state copy's list of ranges, built at its first use"),
    (r"__cxa_guard_(acquire|release|abort)", "static guards: a function's static made once"),
    (r"__cxa_atexit|__dso_handle", "a static object's destructor registered at the end"),
    (r"_Unwind_Resume|__gxx_personality_v0|__cxa_(begin_catch|end_catch|rethrow)",
     "unwinding through the battle's frames, and the standard containers' catch and rethrow "
     "that undo a growth half done (kept by an unoptimised build)"),
    (r"std::__throw_(length_error|out_of_range_fmt|bad_alloc|bad_array_new_length)",
     "throws of the standard library's checks: a string view's substr, a vector's growth and "
     "its allocation"),
    (r"stderr|fprintf|vfprintf|fputs|fputc|fwrite",
     "printing to stderr: a guard's failure (the compiler makes a plain fputs or a one-letter "
     "fprintf a fwrite or a fputc)"),
    (r"abort", "a guard that fires stops the game"),
    (r"morrow::GetPadInputBits", "the library's pad bits: the demo ends on a pad button"),
    (r"morrow::(GetRandomNumber|PeekRandomNumber)",
     "the library's random generator: a draw, and the drawn frame's look-ahead"),
    (r"morrow::PlaySoundHandle",
     "a sound entry started through core (veyrdale::PlaySoundEntry) as a frame's request asks"),
    (r"XXH3_64bits(_dispatch)?",
     "the drawn frame guard's state hash (xxHash; on x86-64 its dispatcher to the widest loop)"),
    (r"_GLOBAL_OFFSET_TABLE_", "the linker's table of addresses of position-independent code"),
    # The sanitizers' instrumentation (the ci preset): the checks of every access, the fake
    # stacks that find a use after return, the guarded globals, the undefined-behaviour checks.
    (r"__asan_report_(load|store)(1|2|4|8|16|_n)", "the address sanitizer's report of an access"),
    (r"__asan_(stack_(malloc|free)_[0-9]+|option_detect_stack_use_after_return|"
     r"(un)?poison_stack_memory|handle_no_return)",
     "the address sanitizer's stack frames: fake stacks, scopes, a call that does not return"),
    (r"__asan_((un)?register_globals|(before|after)_dynamic_init|init|"
     r"version_mismatch_check_v[0-9]+)",
     "the address sanitizer's guarded globals and its start"),
    (r"__ubsan_handle_[a-z0-9_]+", "the undefined-behaviour sanitizer's checks"),
]
BATTLE_ALLOW = [(re.compile(pattern), reason) for pattern, reason in BATTLE_ALLOW]


# --- The check ------------------------------------------------------------------------------------


class Layers:
    """The four archives, read once, and what each layer defines and needs."""

    def __init__(self, paths):
        self.objects = {layer: read_layer(layer, paths[layer]) for layer in LAYERS}
        demangle = Demangler()
        for layer in LAYERS:
            for obj in self.objects[layer]:
                for symbol in obj.symbols:
                    symbol.demangled = demangle(symbol.name)
        self.demangle = demangle
        self._graph = None
        # name -> its non-local definitions, per layer; "owned" counts global ones only: a weak
        # or unique definition is an inline function's or a template's copy that every object
        # using it keeps, no layer's own.
        self.definitions = {layer: {} for layer in LAYERS}
        self.owned = {layer: set() for layer in LAYERS}
        self.needed = {layer: {} for layer in LAYERS}  # name -> its demangled form
        for layer in LAYERS:
            for obj in self.objects[layer]:
                for symbol in obj.symbols:
                    if not symbol.defined:
                        if symbol.name:
                            self.needed[layer][symbol.name] = symbol.demangled
                    elif symbol.binding != "local" and symbol.type != "STT_SECTION":
                        self.definitions[layer].setdefault(symbol.name, []).append(symbol)
                        if symbol.binding == "global":
                            self.owned[layer].add(symbol.name)

    def defined_in(self, name, *layers):
        return any(name in self.definitions[layer] for layer in layers)

    def follow_core(self, entries):
        """{entry: {reached name: demangled}} for each core name in entries: every name it reaches
        through any number of core functions: what they need from outside core, and core's own
        functions and data that are not local.

        Core is built with a section per function and datum (game/core/CMakeLists.txt), so every
        reference between two of them is a relocation of the referring one's section: the battle
        reaches core's data globals without the file calls compiled beside them. A section is
        followed whole, so one that holds several functions (an object built without those flags)
        counts as needing all that any of them needs, calls resolved inside it without a
        relocation among them: following can add names, never miss one. A name refers to the
        section of the object that defines it, else to every section of core that defines it
        (weak copies too); anything else is from outside core."""
        refers, holds = self._core_graph()
        reached = {}
        for entry in entries:
            found = {}
            queue = self._core_nodes(entry)
            seen = set()
            while queue:
                node = queue.pop()
                if node in seen:
                    continue
                seen.add(node)
                for target in refers.get(node, ()):
                    if isinstance(target, tuple):
                        queue.append(target)
                    else:
                        found[target] = self.demangle(target)
                for name, demangled in holds.get(node, ()):
                    found[name] = demangled
            found.pop(entry, None)
            reached[entry] = found
        return reached

    def _core_graph(self):
        """Core's sections as nodes (object index, section index): what each refers to (nodes,
        and the names of what is outside core) and the names each defines for others."""
        if self._graph is None:
            refers = {}
            holds = {}
            for obj in self.objects["core"]:
                for symbol in obj.symbols:
                    if (isinstance(symbol.shndx, int) and symbol.binding != "local" and
                            symbol.type != "STT_SECTION"):
                        holds.setdefault((obj.index, symbol.shndx), []).append(
                            (symbol.name, symbol.demangled))
                for section, targets in obj.references().items():
                    out = refers.setdefault((obj.index, section), [])
                    for target in targets:
                        if isinstance(target.shndx, int):
                            out.append((obj.index, target.shndx))
                        elif target.name in self.definitions["core"]:
                            out.extend(self._core_nodes(target.name))
                        elif target.name:
                            out.append(target.name)
            self._graph = (refers, holds)
        return self._graph

    def _core_nodes(self, name):
        return [(symbol.obj.index, symbol.shndx)
                for symbol in self.definitions["core"].get(name, ())]


def upward_findings(layers):
    findings = []
    for user, owner in (("battle", "flow"), ("view", "flow"), ("battle", "view"),
                        ("core", "battle"), ("core", "view"), ("core", "flow")):
        for name, demangled in sorted(layers.needed[user].items(), key=lambda item: item[1]):
            if name in layers.owned[owner]:
                findings.append(f"{user} needs {owner}'s {demangled}")
    return findings


def needs_with_paths(layers, layer, outside):
    """[(demangled, via)] for every name the layer needs directly (via None) or through core (via
    the demangled core name it needs) that outside(name) accepts."""
    direct = {name: demangled for name, demangled in layers.needed[layer].items()
              if name not in layers.owned[layer]}
    through = layers.follow_core([name for name in direct if name in layers.definitions["core"]])
    result = set()
    for name, demangled in direct.items():
        if outside(name):
            result.add((demangled, None))
    for entry, reached in through.items():
        for name, demangled in reached.items():
            if outside(name):
                result.add((demangled, direct[entry]))
    return sorted(result, key=lambda item: (item[0], item[1] or ""))


def needs_text(layer, demangled, via):
    return f"{layer} needs {demangled}" + (f" through {via}" if via else "")


def view_findings(layers):
    findings = []
    for demangled, via in needs_with_paths(layers, "view", lambda name: True):
        bare = bare_name(demangled)
        for rule, pattern in VIEW_DENY:
            if pattern.search(bare):
                findings.append(f"{needs_text('view', demangled, via)}: {rule}")
                break
    return findings


def battle_findings(layers):
    def outside(name):
        return not layers.defined_in(name, "core", "battle")

    findings = []
    for demangled, via in needs_with_paths(layers, "battle", outside):
        bare = bare_name(demangled)
        if not any(pattern.fullmatch(bare) for pattern, _ in BATTLE_ALLOW):
            findings.append(f"{needs_text('battle', demangled, via)}: not on the battle's list")
    return findings


# The game state: the globals core and the battle declare (extern NAME, extern NAME[...]).
EXTERN = re.compile(r"^extern [^;(\n]*[ *&]([A-Za-z_][A-Za-z0-9_]*)(?:\[[^]\n]*\])*;", re.M)


def view_text_findings(src):
    """Every line of a view source that assigns game state by name: a plain or compound
    assignment or a step of a game global, of its elements or of their fields. A write through a
    reference or a pointer, memset or std::swap on game state escapes any text rule: the drawn
    frame's guard of debug builds catches those, as it hashes the whole state around every view
    part."""
    names = set()
    for folder in ("game/core", "game/battle"):
        for path in sorted(glob.glob(os.path.join(src, folder, "*.h"))):
            with open(path, encoding="utf-8") as stream:
                names.update(EXTERN.findall(stream.read()))
    if not names:
        raise BadInput(f"no game state found under {src}/game")
    target = (r"\b(" + "|".join(sorted(names)) + r")\b(\[[^]]*\])*"
              r"((\.|->)[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])*)*")
    # NAME, its elements and fields, then an assignment or a step; or a step before NAME.
    write = re.compile(target + r"\s*(<<=|>>=|[-+*/%&|^]?=(?!=)|\+\+|--)|(\+\+|--)\s*" + target)
    findings = []
    view = os.path.join(src, "game/view")
    for path in (sorted(glob.glob(os.path.join(view, "*.cpp"))) +
                 sorted(glob.glob(os.path.join(view, "*.h")))):
        with open(path, encoding="utf-8") as stream:
            for number, line in enumerate(stream.read().splitlines(), 1):
                if not line.lstrip().startswith("//") and write.search(line):
                    findings.append(f"the view assigns game state: {path}:{number}:{line}")
    return findings


# --- The battle state -----------------------------------------------------------------------------


def run_state_map(path):
    """The ranges ([start, end) in bytes from veyrdale::g_players) and the left-out entries
    ((object file, name, reason)) the state map prints."""
    try:
        run = subprocess.run([path], stdout=subprocess.PIPE, check=False)
    except OSError as error:
        raise BadInput(f"cannot run {path}: {error.strerror}") from error
    if run.returncode != 0:
        raise BadInput(f"cannot run {path}: exit {run.returncode}")
    ranges = []
    left_out = []
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        kind, _, rest = line.partition(" ")
        fields = rest.split(" ") if kind == "range" else rest.split("\t")
        try:
            if kind == "range" and len(fields) == 2:
                start, size = int(fields[0]), int(fields[1])
                ranges.append((start, start + size))
                continue
        except ValueError:
            pass
        if kind == "left-out" and len(fields) == 3:
            left_out.append(tuple(fields))
            continue
        raise BadInput(f"{path} printed a line this check does not read: {line!r}")
    if not ranges:
        raise BadInput(f"{path} printed no range of the battle state")
    return ranges, left_out


def map_addresses(path):
    """The state map's data symbols: {name: [(address, size)]} of its globals and
    {(source file, name): [(address, size)]} of its locals, each local attributed to the file
    that the STT_FILE entry before it names."""
    globals_ = {}
    locals_ = {}
    try:
        with open(path, "rb") as stream:
            table = symbol_table(ELFFile(stream))
            if table is None:
                raise BadInput(f"{path} has no symbol table")
            source = ""
            for entry in table.iter_symbols():
                kind = entry["st_info"]["type"]
                if kind == "STT_FILE":
                    source = entry.name
                    continue
                if kind not in ("STT_OBJECT", "STT_TLS", "STT_COMMON"):
                    continue
                if not isinstance(entry["st_shndx"], int):
                    continue
                place = (entry["st_value"], entry["st_size"])
                if entry["st_info"]["bind"] == "STB_LOCAL":
                    locals_.setdefault((source, entry.name), []).append(place)
                else:
                    globals_.setdefault(entry.name, []).append(place)
    except OSError as error:
        raise BadInput(f"cannot read {path}: {error.strerror}") from error
    except ELFError as error:
        raise BadInput(f"cannot read {path}: {error}") from error
    return globals_, locals_


# The compiler's personality reference and the address sanitizer's one-definition markers are
# nobody's state.
NOBODYS = ("DW.ref.", "__odr_asan")


def identity(symbol):
    """One datum however many objects define it: a local is its object's own, a global, weak or
    unique datum is one after linking."""
    if symbol.binding == "local":
        return (symbol.obj.layer, symbol.obj.index, symbol.name)
    return symbol.name


def state_findings(layers, state_map):
    """The battle state, whole: every datum of core and the battle that the program can write (a
    constant table is out of reach) lies in the state's ranges byte for byte or is left out by its
    object file and name. A guard variable of a function's static goes with that static."""
    ranges, left_out = run_state_map(state_map)
    globals_, locals_ = map_addresses(state_map)
    data = [symbol for layer in ("core", "battle") for obj in layers.objects[layer]
            for symbol in obj.symbols
            if symbol.defined and symbol.writable and symbol.size > 0 and
            (symbol.type in ("STT_OBJECT", "STT_TLS", "STT_COMMON") or
             symbol.shndx == "SHN_COMMON") and not symbol.name.startswith(NOBODYS)]
    findings = []
    excused = set()
    for member, name, _ in left_out:
        named = {identity(symbol) for symbol in data
                 if symbol.obj.member == member and symbol.demangled == name}
        if len(named) != 1:
            count = "no writable datum" if not named else f"{len(named)} writable data"
            findings.append(f"the left-out entry {name} of {member} names {count} of core or the "
                            "battle, not one")
        excused |= named
    players = [symbol.name for symbol in data if symbol.demangled == "veyrdale::g_players"]
    bases = globals_.get(players[0], []) if players else []
    if len(bases) != 1:
        raise BadInput(f"{state_map} holds no single veyrdale::g_players to place the ranges by")
    base = bases[0][0]
    missed = ", which is in no range of the battle state and not left out"
    for symbol in data:
        owner = "_Z" + symbol.name[4:] if symbol.name.startswith("_ZGV") else None
        if identity(symbol) in excused or owner in excused or (
                (symbol.obj.layer, symbol.obj.index, owner) in excused):
            continue
        head = f"{symbol.obj.layer} defines {symbol.demangled}"
        if symbol.tls:
            findings.append(f"{head}, which is thread-local: no range of the battle state can "
                            "hold it")
            continue
        places = locals_.get((symbol.obj.source, symbol.name), [])
        if symbol.binding != "local":
            # A hidden global is local in the linked program.
            places = globals_.get(symbol.name, []) or places
        if not places:
            findings.append(head + missed)
        for address, _ in places:
            # Walk the datum from its first byte through the ranges that hold the next one.
            first = address - base
            at = first
            end = first + symbol.size
            moved = True
            while at < end and moved:
                moved = False
                for start, stop in ranges:
                    if start <= at < stop:
                        at = stop
                        moved = True
            if at == first:
                findings.append(head + missed)
            elif at < end:
                findings.append(f"{head}{missed} from its byte {at - first} of {symbol.size}")
    return list(dict.fromkeys(findings))


def main(argv):
    if len(argv) not in (6, 7):
        raise BadInput(f"usage: {argv[0]} SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a [STATE_MAP]")
    src = argv[1]
    paths = dict(zip(LAYERS, argv[2:6]))
    for path in paths.values():
        if not os.access(path, os.R_OK):
            raise BadInput(f"cannot read {path}")
    layers = Layers(paths)
    findings = (upward_findings(layers) + view_findings(layers) + battle_findings(layers) +
                view_text_findings(src))
    if len(argv) == 7:
        findings += state_findings(layers, argv[6])
    for finding in findings:
        print(f"{PROGRAM}: {finding}")
    return 1 if findings else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except BadInput as error:
        print(f"{PROGRAM}: {error}", file=sys.stderr)
        sys.exit(2)
