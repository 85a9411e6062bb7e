#!/usr/bin/env bash
# The game's layers as built and as written: the battle's and the view's archives need nothing
# the flow defines, the battle's nothing the view defines (so they link in plain order); the
# view's archive needs nothing on its deny list below (a random draw, a sound start, a battle
# routine that makes, starts or advances something), the battle's nothing on its own (a file
# opened, read or written, a library call that takes a file path), neither itself nor through the
# core functions it needs; and no source under game/view/ assigns to the game state that core and
# the battle declare. Given STATE_MAP (the program tests/scripts/battle_state_map.cpp, linked with
# every object of core and the battle), it also checks that no writable data of core or the battle
# is left out of the battle state unseen: each such symbol lies wholly in the ranges the drawn
# frame's guard takes (the field table and the blocks beside it) or is on the table's left-out list.
#
#   check-game-layers.sh SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a [STATE_MAP]
#
# Prints each finding (the symbol, and the layer or the deny rule it breaks, and the core function
# it is needed through) and exits 1 when there is one, 0 when there is none, 2 on bad arguments.
set -u
export LC_ALL=C  # byte order for sort and comm, ASCII ranges in the patterns
if [ $# -ne 5 ] && [ $# -ne 6 ]; then
  echo "usage: $0 SOURCE_DIR CORE.a BATTLE.a VIEW.a FLOW.a [STATE_MAP]" >&2
  exit 2
fi
src=$1
declare -A lib=([core]=$2 [battle]=$3 [view]=$4 [flow]=$5)
state_map=${6:-}
for name in "${!lib[@]}"; do
  [ -r "${lib[$name]}" ] || { echo "check-game-layers: cannot read ${lib[$name]}" >&2; exit 2; }
done
found=0

# Each archive read once: the names it defines and the names its objects need (undefined, weak
# ones too), demangled, arguments dropped, sorted for comm. A weak definition (W, V) is no layer's
# own: inline functions and template instances are emitted weak in every object that keeps a copy
# (an unoptimised build keeps the placement operator new in core, battle and flow alike), and with
# the arguments dropped such a copy would pass for the layer's definition of a same-named symbol
# (core's plain operator new) that another layer needs.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for name in "${!lib[@]}"; do
  # An archive nm cannot read would otherwise look like one that needs nothing.
  if ! nm -C "${lib[$name]}" >"$work/$name.nm"; then
    echo "check-game-layers: nm cannot read ${lib[$name]}" >&2
    exit 2
  fi
  awk '$1 ~ /^[Uwv]$/ {$1 = "needed"; print} $2 ~ /^[TDBR]$/ {$1 = ""; $2 = "defined"; print}' \
    "$work/$name.nm" | sed 's/^ *//; s/(.*//' >"$work/$name"
  for kind in defined needed; do
    sed -n "s/^$kind //p" "$work/$name" | sort -u >"$work/$name.$kind"
  done
done

for pair in battle:flow view:flow battle:view core:battle core:view core:flow; do
  user=${pair%%:*}
  owner=${pair##*:}
  while IFS= read -r symbol; do
    [ -n "$symbol" ] || continue
    echo "check-game-layers: $user needs $owner's $symbol"
    found=1
  done < <(comm -12 "$work/$user.needed" "$work/$owner.defined")
done

# What the battle and the view need of core, followed into core function by function: for each
# core symbol a layer needs, every name it reaches through any number of core functions (what they
# need from outside core, and core's own functions and data, inline copies and statics left out),
# in $work/LAYER.through as "REACHED<TAB>NEEDED", demangled, arguments dropped. Core is built
# with a section per function and datum (game/core/CMakeLists.txt), so every reference between two
# of them is a relocation of the referring one's section: the battle reaches core's data globals
# without the file calls compiled beside them. A section is followed whole, so one that holds
# several functions (an object built without those flags) counts as needing all that any of them
# needs, calls resolved inside it without a relocation among them: following can add names, never
# miss one. Debug information, unwind tables and exception tables refer to every function and are
# not followed.
follow_core() {
  local layer
  for layer in battle view; do
    nm "${lib[$layer]}" | awk -v layer="$layer" '$1 ~ /^[Uwv]$/ {print layer, $2}'
    : >"$work/$layer.through"
  done >"$work/core.entries"
  if ! objdump -tr "${lib[core]}" >"$work/core.objdump"; then
    echo "check-game-layers: objdump cannot read ${lib[core]}" >&2
    exit 2
  fi
  awk -v OFS='\t' '
    FILENAME == ARGV[1] { entries[++entryCount] = $0; next }
    / +file format / { object = $1; mode = ""; next }
    /^SYMBOL TABLE:$/ { mode = "symbols"; next }
    /^RELOCATION RECORDS FOR \[/ {
      section = substr($4, 2, length($4) - 3)
      mode = section ~ /^\.(debug|eh_frame|gcc_except_table|note|comment)/ ? "" : "relocations"
      next
    }
    # "ADDRESS FLAGS SECTION<TAB>SIZE NAME": FLAGS is seven columns, l or g, w for weak, d and f
    # for the section and file entries.
    mode == "symbols" && split($0, field, "\t") == 2 {
      flags = substr(field[1], 18, 7)
      section = substr(field[1], 26)
      if (flags ~ /[df]/ || section ~ /^\*(UND|ABS|COM)\*$/) next
      name = field[2]
      sub(/^[0-9a-f]+ /, "", name)
      sub(/^\.hidden /, "", name)
      node = object SUBSEP section
      at[object, name] = node
      if (flags ~ /^(g|u| w)/) definedAt[name] = definedAt[name] " " node
      if (flags ~ /^g/) holds[node] = holds[node] " " name
      next
    }
    mode == "relocations" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 {
      target = $3
      sub(/[-+]0x[0-9a-f]+$/, "", target)
      refers[object SUBSEP section] = refers[object SUBSEP section] " " target
    }
    # A name refers to the section of this object that defines it, else to every section of core
    # that defines it globally (weak copies too), else, when it names a section, to that section
    # of this object; anything else is from outside core.
    function follow(node, names, count, i, object, key, n, more, k) {
      split(node, key, SUBSEP)
      object = key[1]
      count = split(refers[node], names, " ")
      for (i = 1; i <= count; ++i) {
        if ((object, names[i]) in at) {
          queue[++last] = at[object, names[i]]
        } else if (names[i] in definedAt) {
          n = split(definedAt[names[i]], more, " ")
          for (k = 1; k <= n; ++k) queue[++last] = more[k]
        } else if (names[i] ~ /^\./) {
          queue[++last] = object SUBSEP names[i]
        } else {
          reached[names[i]] = 1
        }
      }
      count = split(holds[node], names, " ")
      for (i = 1; i <= count; ++i) reached[names[i]] = 1
    }
    END {
      for (e = 1; e <= entryCount; ++e) {
        split(entries[e], entry, " ")
        if (!(entry[2] in definedAt)) continue
        split("", queue); split("", seen); split("", reached)
        first = 1
        last = split(definedAt[entry[2]], queue, " ")
        while (first <= last) {
          node = queue[first++]
          if (node in seen) continue
          seen[node] = 1
          follow(node)
        }
        for (name in reached) if (name !~ /^\./) print entry[1], entry[2], name
      }
    }
  ' "$work/core.entries" "$work/core.objdump" | c++filt |
    awk -F '\t' -v OFS='\t' -v dir="$work" '
      { sub(/\(.*/, "", $2); sub(/\(.*/, "", $3) }
      $3 != $2 { print $3, $2 > (dir "/" $1 ".through") }'
  for layer in battle view; do sort -u -o "$work/$layer.through" "$work/$layer.through"; done
}
follow_core

# Prints a finding for each symbol that layer $1 needs from outside itself, or reaches through
# core, and a rule of the deny list named by $2 matches: the first such rule. A rule is its name
# and an extended regular expression over the demangled name without its arguments.
check_denied() {
  local layer=$1
  local -n rules=$2
  local symbol entry via
  local -A direct=() through=()
  while IFS= read -r symbol; do direct[$symbol]=1; done \
    < <(comm -23 "$work/$layer.needed" "$work/$layer.defined")
  while IFS=$'\t' read -r symbol via; do through[$symbol]+="$via"$'\n'; done <"$work/$layer.through"
  while IFS= read -r symbol; do
    for entry in "${rules[@]}"; do
      [[ $symbol =~ ${entry#*|} ]] || continue
      if [ -n "${direct[$symbol]+set}" ]; then
        echo "check-game-layers: $layer needs $symbol: ${entry%%|*}"
      fi
      while IFS= read -r via; do
        [ -n "$via" ] && echo "check-game-layers: $layer needs $symbol through $via: ${entry%%|*}"
      done <<<"${through[$symbol]-}"
      found=1
      break
    done
  done < <(printf '%s\n' "${!direct[@]}" "${!through[@]}" | sort -u)
}

# What the view must not need, from whichever library. A pattern ends at the name right after
# its namespace, so no member function matches: the drawn frame's look-ahead (a member that only
# peeks at the generator) passes whatever its type comes to be called.
word='([A-Z0-9_][A-Za-z0-9_]*)?$'  # what may follow a verb: a capital, a digit or the end
view_deny=(
  # A real draw moves the generator, and so every number looked ahead at later in the frame and
  # every number the battle draws after it. Seeding moves it just the same.
  'random draw|^morrow::(GetRandomNumber|NextRandomWord|SeedRandom)$'
  # The battle's shared wrapper of that draw (game/battle/launchers.h).
  'random draw|^veyrdale::Rand$'
  # Sounds and music are started by the battle and the flow after the draw, in the order the
  # frame's selections asked for them; the view only lists them.
  'sound start|^morrow::(Play|Start)[A-Za-z]*(Sound|Music|Midi)[A-Za-z]*$'
  # The game's one way to play a sound entry (game/core/sound_entries.h).
  'sound start|^veyrdale::PlaySound[A-Za-z]*$'
  # The battle's routines that make things (effects, shots, items, familiars, hit bursts, arena
  # objects), start them (moves, spell cards, rounds) or advance them a frame (Update*, Run*,
  # the battle's step): each changes game state the view only reads. $word keeps the verb a
  # whole word, so Runway or Starting would not match.
  "battle routine|^veyrdale::(Create|Spawn|Launch|Relaunch|Fire|Dispatch|Shoot|Place|Give)$word"
  "battle routine|^veyrdale::(Start|Update|Run|Step)$word"
)
check_denied view view_deny

# The library's calls that take a file path: the functions its headers declare with a string
# parameter called path or gbkPath, so that a new one is denied as it is declared. A declaration
# may span lines: the headers, without comments and preprocessor lines, are split at each ; { and },
# and a part whose parameters hold such a string gives the name before its first parenthesis (a
# pointer to a function has none).
path_calls=$(find "$src/morrow" "$src/platform" -name '*.h' -exec cat {} + |
  sed -E '/^[[:space:]]*#/d; s@/\*([^*]|\*+[^*/])*\*+/@ @g; s@//.*@@' | awk -v RS='[;{}]' '
    open = index($0, "(") {
      parameters = substr($0, open)
      if (parameters ~ /(char|string)[ \t\n]*(const[ \t\n]*)?[*&][ \t\n]*(path|gbkPath)[ \t\n]*[,)=]/ &&
          match(substr($0, 1, open - 1), /[A-Za-z_][A-Za-z0-9_]*$/)) {
        print substr($0, RSTART, RLENGTH)
      }
    }' | sort -u | paste -sd'|')
if [ -z "$path_calls" ]; then
  echo "check-game-layers: no library call that takes a file path found under $src" >&2
  exit 2
fi

# What the battle must not need: it never loads. The flow reads what a battle uses (the arena
# maps among it) when it sets the stage up; a file opened in a round would stall it, and its
# failure would be met in the middle of a battle.
battle_deny=(
  # The C library's ways to find, open and read a file (the 64-bit and versioned names too).
  'file read|^(fopen|freopen|fdopen|open|openat|creat|stat|lstat|fstat|fstatat|__x?stat|__lxstat|__fxstat|__fxstatat|statx|access|opendir|fread|fread_unlocked|fgetc|getc|fgets|read|pread|mmap)(64)?$'
  # The standard library's file streams and file system calls.
  'file read|^std::(basic_[io]?fstream|basic_filebuf)<'
  'file read|^std::(__cxx11::)?filesystem::'
  # The library's streams, its game paths and its loaders of files.
  'file read|^morrow::(Stream(Open|Read)|OpenFileStreamSource|MapGamePath|Load[A-Za-z]*)$'
  # The C library's ways to make, write, move or remove a file. Writing to a stream is not among
  # them: the battle prints its guard failures to stderr (the compiler makes a plain fputs a
  # fwrite), and a stream that is a file comes only from an opener denied above or here.
  'file write|^(tmpfile|mkstemps?|mkostemps?|write|pwrite|writev|pwritev|fsync|fdatasync|sync|syncfs|truncate|ftruncate|fallocate|posix_fallocate|copy_file_range|sendfile)(64)?$'
  'file write|^(rename|renameat2?|remove|unlink|unlinkat|rmdir|mkdir|mkdirat|link|linkat|symlink|symlinkat|chmod|fchmod|fchmodat|chown|fchown|lchown|fchownat|utimes?|utimensat|futimens)$'
  # The library's calls that take a file path, whatever their name.
  "file path|^(morrow|platform)::([A-Za-z0-9_]+::)*($path_calls)\$"
)
check_denied battle battle_deny

# The game state: the globals core and the battle declare (extern NAME, extern NAME[...]).
names=$(grep -hoE '^extern [^;(]*[ *&]([A-Za-z_][A-Za-z0-9_]*)(\[[^]]*\])*;' "$src"/game/core/*.h \
          "$src"/game/battle/*.h | sed -E 's/(\[[^]]*\])*;$//; s/.*[ *&]//' | sort -u | paste -sd'|')
if [ -z "$names" ]; then
  echo "check-game-layers: no game state found under $src/game" >&2
  exit 2
fi
# NAME, its elements and fields, then an assignment or a step; or a step before NAME.
target="\\b($names)\\b(\\[[^]]*\\])*((\\.|->)[A-Za-z_][A-Za-z0-9_]*(\\[[^]]*\\])*)*"
while IFS= read -r hit; do
  echo "check-game-layers: the view assigns game state: $hit"
  found=1
done < <(grep -nE "$target\\s*([-+*/%&|^]?=[^=]|\\+\\+|--)|(\\+\\+|--)\\s*$target" "$src"/game/view/*.cpp \
           "$src"/game/view/*.h | grep -vE '^[^:]+:[0-9]+:\s*//')

# The battle state, whole: every datum of core and the battle that the program can write (in no
# read-only section: constant tables are out of reach) lies in the state's ranges byte for byte or
# is left out by name. A guard variable of a function's static goes with that static; the
# compiler's personality reference and the address sanitizer's one-definition markers are nobody's
# state.
if [ -n "$state_map" ]; then
  if ! "$state_map" >"$work/map" || ! nm -S -t d -C --defined-only "$state_map" >"$work/map.nm"; then
    echo "check-game-layers: cannot run $state_map" >&2
    exit 2
  fi
  for name in core battle; do
    objdump -t -C "${lib[$name]}" | awk -v layer="$name" '
      /^[0-9a-f]+ / {
        if (substr($0, 24, 1) != "O") next
        rest = substr($0, 26)
        tab = index(rest, "\t")
        section = substr(rest, 1, tab - 1)
        if (section ~ /^(\.rodata|\.data\.rel\.ro|\*UND\*)/) next
        rest = substr(rest, tab + 1)
        size = substr(rest, 1, index(rest, " ") - 1)
        if (size ~ /^0+$/) next
        symbol = substr(rest, index(rest, " ") + 1)
        sub(/^\.hidden /, "", symbol)
        print layer "\t" symbol
      }'
  done | sort -u >"$work/data"
  while IFS= read -r finding; do
    echo "check-game-layers: $finding"
    found=1
  done < <(awk -F'\t' '
    FILENAME == ARGV[1] && $1 ~ /^range / {
      split($1, f, " ")
      start[++ranges] = f[2]
      end[ranges] = f[2] + f[3]
      next
    }
    FILENAME == ARGV[1] && $1 ~ /^left-out / { left[substr($1, 10)] = 1; next }
    FILENAME == ARGV[1] { next }
    FILENAME == ARGV[2] {
      # nm: ADDRESS SIZE TYPE NAME, in decimal.
      if (split($0, f, " ") < 4 || f[3] !~ /^[bBdDgGsSvVu]$/) next
      name = $0
      sub(/^[^ ]+ [^ ]+ [^ ]+ /, "", name)
      n = ++count[name]
      at[name, n] = f[1]
      bytes[name, n] = f[2]
      if (name == "veyrdale::g_players") base = f[1]
      next
    }
    {
      layer = $1
      symbol = $2
      if (symbol ~ /^(DW\.ref\.|__odr_asan)/) next
      owner = symbol
      sub(/^guard variable for /, "", owner)
      if (owner in left) next
      missed = ", which is in no range of the battle state and not left out"
      if (!(symbol in count)) {
        print layer " defines " symbol missed
        next
      }
      for (n = 1; n <= count[symbol]; ++n) {
        # Walk the symbol from its first byte through the ranges that hold the next one.
        first = at[symbol, n] - base
        from = first
        to = from + bytes[symbol, n]
        moved = 1
        while (from < to && moved) {
          moved = 0
          for (r = 1; r <= ranges; ++r) {
            if (start[r] <= from && from < end[r]) { from = end[r]; moved = 1 }
          }
        }
        if (from == first) { print layer " defines " symbol missed; break }
        if (from < to) {
          print layer " defines " symbol missed " from its byte " from - first " of " to - first
          break
        }
      }
    }' "$work/map" "$work/map.nm" "$work/data")
fi
exit $found
