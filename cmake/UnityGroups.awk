# Unity batches that never put two definitions of one file-local name together.
#
# A unity build compiles several .cpp files as one translation unit, so names a
# file keeps to itself (its anonymous namespace, `static` and namespace-scope
# `const`/`constexpr` variables, its macros) meet the names of the other files
# of the batch. Two equal declarations are a compile error; two functions of
# one name but different parameters silently become overloads, and a call may
# pick the other file's function. So files that share such a name go to
# different batches.
#
#   awk -v batch=8 -f UnityGroups.awk a.cpp b.cpp ...
#       prints "file<TAB>batch number" for every file, at most `batch` files per
#       batch, in the order given (files of one folder stay together).
#   awk -v check=groups.txt -v target=oc_raster -f UnityGroups.awk a.cpp ...
#       reads a grouping printed earlier and fails, naming the files and the
#       name, when an edit since then has put a shared name into one batch.
#
# The names are read from the layout every source follows: file-local
# declarations start in column 0, the anonymous namespace ends in
# "}  // namespace".

function local_name(file, name) {
    if (!((file, name) in seen)) {
        seen[file, name] = 1
        names[file] = names[file] " " name
    }
}

# The name itself, without the text kept for aliases and macros.
function base(n) { return index(n, "=") ? substr(n, 1, index(n, "=") - 1) : n }

# Two declarations of one name clash unless both are the same alias or macro.
function clash(a, b) { return a != b || index(a, "=") == 0 }

# A name as the message shows it: aliases and macros are kept with their text.
function shown(n) {
    if (index(n, "=")) n = substr(n, 1, index(n, "=") - 1)
    return n ~ /^#/ ? "#define " substr(n, 2) : n
}

# The name a column-0 declaration declares, or "".
function declared(s,    name) {
    sub(/^template *<[^>]*> */, "", s)
    gsub(/\[\[[^\]]*\]\] */, "", s)
    if (s ~ /^(template|namespace|extern|friend|public:|private:|protected:|using +namespace)/) return ""
    if (s ~ /^[A-Z][A-Z0-9_]*\(/) return ""            # a macro invocation such as TEST(...)
    if (s ~ /operator/) return ""                       # operators are overloaded on purpose
    if (match(s, /^(struct|class|union|enum( +class| +struct)?) +[A-Za-z_][A-Za-z0-9_]*/)) {
        name = substr(s, RSTART, RLENGTH); sub(/.* /, "", name); return name
    }
    if (s ~ /^using +[A-Za-z_][A-Za-z0-9_]* *=/) {
        # The same alias may be declared twice; only different meanings clash.
        sub(/^using +/, "", s); gsub(/ /, "", s); return s
    }
    if (match(s, /^using +[A-Za-z_:][A-Za-z0-9_:]*::[A-Za-z_][A-Za-z0-9_]* *;/)) {
        # A using-declaration: the same one may appear twice, another entity of the name clashes.
        s = substr(s, RSTART, RLENGTH); gsub(/ /, "", s)
        name = s; sub(/.*::/, "", name); sub(/;$/, "", name)
        return name "=" s
    }
    if (s ~ /^(using|typedef) /) return ""
    # Otherwise the name is the identifier just before the first ( = [ { or ;
    if (!match(s, /[(=\[{;]/)) return ""
    s = substr(s, 1, RSTART - 1)
    sub(/ +$/, "", s)
    if (!match(s, /[A-Za-z_][A-Za-z0-9_]*$/)) return ""
    if (RSTART > 2 && substr(s, RSTART - 2, 2) == "::") return ""   # a class member defined out of line
    name = substr(s, RSTART, RLENGTH)
    if (name ~ /^(const|constexpr|inline|static|noexcept|return|void|int|auto|char|bool|unsigned|override|final)$/) return ""
    return name
}

FNR == 1 { anon = 0; order[++files] = FILENAME }
/^namespace *\{/ { anon = 1; next }
anon && /^\} *\/\/ *namespace *$/ { anon = 0; next }
/^#define +[A-Za-z_]/ { m = $2; sub(/\(.*/, "", m); defined[FILENAME, m] = 1; text[FILENAME, m] = $0; next }
/^#undef +[A-Za-z_]/ { delete defined[FILENAME, $2]; next }
# The enumerators of a file-local unscoped enum are file-local names as well.
function enumerators(s,    k, i, piece, part) {
    sub(/\/\/.*/, "", s)
    if (index(s, "}")) { s = substr(s, 1, index(s, "}") - 1); inenum = 0 }
    k = split(s, part, ",")
    for (i = 1; i <= k; ++i) {
        piece = part[i]
        sub(/^[ \t]+/, "", piece)
        if (match(piece, /^[A-Za-z_][A-Za-z0-9_]*/)) local_name(FILENAME, substr(piece, RSTART, RLENGTH))
    }
}
FNR == 1 { inenum = 0 }
inenum { enumerators($0); next }
(anon || /^static /) && /^enum( +[A-Za-z_][A-Za-z0-9_]*)?( *: *[A-Za-z_][A-Za-z0-9_:]*)? *\{/ {
    inenum = 1
    rest = $0; sub(/^[^{]*\{/, "", rest)
    enumerators(rest)
    if (match($0, /^enum +[A-Za-z_][A-Za-z0-9_]*/)) { n = substr($0, RSTART, RLENGTH); sub(/.* /, "", n); local_name(FILENAME, n) }
    next
}
/^static / || /^(inline +)?(static +)?(constexpr|const) / || (anon && /^[A-Za-z_]/) {
    n = declared($0)
    if (n != "") local_name(FILENAME, n)
}

END {
    if (dump) { for (i = 1; i <= files; ++i) print order[i] ":" names[order[i]]; exit 0 }
    for (key in defined) {
        split(key, part, SUBSEP)
        # A macro may be defined again with the same text; only a different one clashes.
        m = text[key]; sub(/^#define +[A-Za-z_][A-Za-z0-9_]*/, "", m); gsub(/[ \t]/, "", m)
        local_name(part[1], "#" part[2] "=" m)
    }
    if (check != "") {
        while ((getline line < check) > 0) {
            split(line, f, "\t")
            group[f[1]] = f[2]
        }
        bad = 0
        for (i = 1; i <= files; ++i) {
            a = order[i]
            if (!(a in group)) continue
            k = split(names[a], list, " ")
            for (j = 1; j <= k; ++j) {
                n = list[j]
                key = group[a] SUBSEP base(n)
                if (key in owner && owner[key] != a && clash(text_of[key], n)) {
                    printf "%s: unity batch %s: %s and %s both declare the file-local name `%s`.\n", target, group[a], owner[key], a, shown(n) > "/dev/stderr"
                    bad = 1
                } else if (!(key in owner)) {
                    owner[key] = a
                    text_of[key] = n
                }
            }
        }
        if (bad) {
            # A newer grouping file makes the next build configure again, which regroups.
            system("touch '" check "'")
            print "The batches were made before this name appeared; the next build regroups them." > "/dev/stderr"
            exit 1
        }
        exit 0
    }
    groups = 0
    for (i = 1; i <= files; ++i) {
        a = order[i]
        k = split(names[a], list, " ")
        chosen = 0
        for (g = 1; g <= groups && !chosen; ++g) {
            if (size[g] >= batch) continue
            clashes = 0
            for (j = 1; j <= k && !clashes; ++j)
                if ((g, base(list[j])) in taken && clash(taken[g, base(list[j])], list[j])) clashes = 1
            if (!clashes) chosen = g
        }
        if (!chosen) chosen = ++groups
        ++size[chosen]
        for (j = 1; j <= k; ++j) taken[chosen, base(list[j])] = list[j]
        print a "\t" chosen
    }
}
