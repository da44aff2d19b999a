#!/usr/bin/env python3
"""Completes the ext, names and aliases lists of lumen.config.xml from the lists
the Linux desktop, established editors and GitHub's classifier keep (Debian 12:
shared-mime-info, vim-runtime, GtkSourceView 5, ruby-github-linguist), writes
the SharedExtensions element from the classifier's content rules, and writes
tests/config/EcosystemFileNames.h, a sample of the file names the configuration
must then recognise.

It only adds: no entry is removed or moved, an extension some language already
selects is never added again, and one the sources give to two languages (or to
a language lumen does not colour) is left to the maintainers (reported as
"shared"). Only the three attributes of the light Styles' start tags and the
SharedExtensions element change; the rest of the file stays byte for byte.

    make_file_types.py [CONFIG] [--check] [--header PATH]"""
import argparse
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
HEADER = ROOT / "tests" / "config" / "EcosystemFileNames.h"
MIME = Path("/usr/share/mime/packages/freedesktop.org.xml")
VIM = Path("/usr/share/vim/vim90")
GTK = Path("/usr/share/gtksourceview-5/language-specs")
LINGUIST = next(Path("/usr/lib").glob("*/rubygems-integration/*/gems/github-linguist-*/lib/linguist"),
                Path("/usr/share/rubygems-integration/all/gems/github-linguist/lib/linguist"))
PACKAGES = ("shared-mime-info", "vim-runtime", "libgtksourceview-5-common", "ruby-github-linguist")

# lumen language -> the sources' names for it: Vim file types, GtkSourceView
# ids, MIME types. A few Vim names (coq, hlsl, qml...) come only with later Vim
# versions or the usual plug-ins; Vim 9.0 simply does not give them.
SOURCES = {
    "C": "vim:c gtk:c gtk:chdr gtk:opencl mime:text/x-csrc mime:text/x-chdr mime:text/x-opencl-src",
    "C++": "vim:cpp vim:arduino gtk:cpp gtk:cpphdr mime:text/x-c++src mime:text/x-c++hdr mime:text/x-moc",
    "C#": "vim:cs gtk:c-sharp mime:text/x-csharp",
    "Objective-C": "vim:objc vim:objcpp gtk:objc mime:text/x-objcsrc mime:text/x-objc++src",
    "Windows resource script": "vim:rc",
    "IDL": "vim:idl vim:msidl gtk:idl mime:text/x-idl",
    "Java": "vim:java gtk:java mime:text/x-java",
    "JavaScript": "vim:javascript vim:javascriptreact gtk:js gtk:jsx gtk:erb-js mime:application/javascript mime:application/ecmascript",
    "TypeScript": "vim:typescript vim:typescriptreact gtk:typescript gtk:typescript-jsx",
    "Go": "vim:go gtk:go mime:text/x-go",
    "Kotlin": "vim:kotlin gtk:kotlin mime:text/x-kotlin",
    "Scala": "vim:scala vim:sbt gtk:scala mime:text/x-scala",
    "Groovy": "vim:groovy gtk:groovy gtk:gradle mime:text/x-groovy mime:text/x-gradle",
    "Swift": "vim:swift gtk:swift",
    "Dart": "vim:dart gtk:dart mime:text/x-dart",
    "D": "vim:d gtk:d mime:text/x-dsrc",
    "Rust": "vim:rust gtk:rust mime:text/rust",
    "Python": "vim:python vim:pyrex gtk:python gtk:python3 mime:text/x-python mime:text/x-python3 mime:text/x-scons mime:text/x-sagemath",
    "Shell script": "vim:sh vim:zsh gtk:sh mime:application/x-shellscript",
    "Dockerfile": "vim:dockerfile gtk:docker",
    "Batch": "vim:dosbatch gtk:dosbatch",
    "PowerShell": "vim:ps1 gtk:powershell",
    "SQL": "vim:sql vim:plsql gtk:sql",
    "HTML": "vim:html vim:xhtml vim:jsp vim:vue vim:svelte vim:eruby vim:aspvbs gtk:html gtk:asp gtk:erb gtk:erb-html mime:text/html mime:application/xhtml+xml mime:application/x-asp",
    "PHP": "vim:php gtk:php mime:application/x-php",
    "XML": "vim:xml vim:xsd vim:xslt vim:svg vim:dtd vim:ant vim:ps1xml gtk:xml gtk:xslt gtk:dtd gtk:docbook gtk:mxml mime:application/xml",
    "CSS": "vim:css vim:scss vim:less gtk:css gtk:scss gtk:less mime:text/css mime:text/x-scss",
    "JSON": "vim:json vim:jsonc vim:json5 gtk:json mime:application/json",
    "YAML": "vim:yaml gtk:yaml mime:application/x-yaml",
    "Markdown": "vim:markdown gtk:markdown mime:text/markdown",
    "Makefile": "vim:make vim:automake gtk:makefile gtk:automake mime:text/x-makefile",
    "CMake": "vim:cmake gtk:cmake mime:text/x-cmake",
    "Properties / INI": "vim:dosini vim:confini vim:jproperties vim:cfg vim:editorconfig vim:gitconfig vim:desktop vim:sshconfig vim:sshdconfig gtk:ini gtk:desktop mime:application/x-desktop mime:application/x-mswinurl",
    "TOML": "vim:toml gtk:toml",
    "Apache configuration": "vim:apache vim:apachestyle",
    "Registry": "vim:registry mime:text/x-ms-regedit",
    "Lua": "vim:lua gtk:lua mime:text/x-lua",
    "Perl": "vim:perl vim:pod gtk:perl mime:application/x-perl",
    "Ruby": "vim:ruby gtk:ruby mime:application/x-ruby",
    "Pascal / Delphi": "vim:pascal gtk:pascal mime:text/x-pascal",
    "Visual Basic": "vim:vb gtk:vbnet",
    "VBScript": "mime:text/vbscript",
    "Fortran": "vim:fortran gtk:fortran mime:text/x-fortran",
    "R": "vim:r gtk:r",
    "Tcl": "vim:tcl vim:expect gtk:tcl mime:text/tcl",
    "LaTeX": "vim:tex vim:plaintex vim:context gtk:latex mime:text/x-tex",
    "Haskell": "vim:haskell vim:chaskell gtk:haskell mime:text/x-haskell",
    "Erlang": "vim:erlang gtk:erlang mime:text/x-erlang",
    "Ada": "vim:ada gtk:ada mime:text/x-adasrc",
    "Assembler": "vim:asm vim:masm vim:nasm",
    "Lisp": "vim:lisp gtk:commonlisp mime:text/x-common-lisp mime:text/x-emacs-lisp",
    "Scheme": "vim:scheme gtk:scheme mime:text/x-scheme",
    "MATLAB / Octave": "vim:matlab vim:octave gtk:matlab gtk:octave mime:text/x-matlab",
    "AutoIt": "vim:autoit",
    "Inno Setup": "vim:iss",
    "NSIS": "vim:nsis gtk:nsis",
    "Verilog / SystemVerilog": "vim:verilog vim:systemverilog vim:verilogams gtk:verilog gtk:systemverilog mime:text/x-verilog mime:text/x-svsrc mime:text/x-svhdr",
    "VHDL": "vim:vhdl gtk:vhdl mime:text/x-vhdl",
    "OCaml": "vim:ocaml gtk:ocaml mime:text/x-ocaml",
    "Gettext catalog": "vim:po gtk:gettext-translation mime:text/x-gettext-translation mime:text/x-gettext-translation-template",
    "Diff": "vim:diff gtk:diff gtk:dpatch mime:text/x-patch mime:text/x-reject",
    "Log": "vim:messages mime:text/x-log",
    "Text": "vim:text vim:gitignore vim:gitattributes vim:changelog gtk:changelog mime:text/plain mime:text/x-readme mime:text/x-nfo mime:text/x-authors mime:text/x-copying mime:text/x-credits mime:text/x-install mime:text/x-changelog",
    "Prolog": "vim:prolog gtk:prolog",
    "Coq": "vim:coq",
    "Puppet": "vim:puppet gtk:puppet",
    "F#": "vim:fsharp gtk:fsharp",
    "Forth": "vim:forth gtk:forth gtk:ansforth94",
    "Julia": "vim:julia gtk:julia",
    "Nim": "vim:nim",
    "Raku": "vim:raku",
    "CoffeeScript": "vim:coffee mime:application/vnd.coffeescript",
    "Literate Haskell": "vim:lhaskell gtk:haskell-literate mime:text/x-literate-haskell",
    "Smalltalk": "vim:st",
    "PostScript": "vim:postscr mime:application/postscript",
    "Eiffel": "vim:eiffel gtk:eiffel mime:text/x-eiffel",
    "COBOL": "vim:cobol gtk:cobol mime:text/x-cobol",
    "Standard ML": "vim:sml gtk:sml",
    "Clojure": "vim:clojure",
    "GDScript": "vim:gdscript gtk:gdscript mime:application/x-gdscript",
    "AsciiDoc": "vim:asciidoc gtk:asciidoc",
    "BibTeX": "vim:bib gtk:bibtex mime:text/x-bibtex",
    "Stata": "vim:stata",
    "SAS": "vim:sas",
    "Rebol": "vim:rebol",
    "Elixir": "vim:elixir mime:text/x-elixir",
    "Crystal": "vim:crystal mime:text/x-crystal",
    "Protocol Buffers": "vim:proto gtk:proto",
    "GLSL": "vim:glsl gtk:glsl",
    "HLSL": "vim:hlsl",
    "CUDA": "vim:cuda gtk:cuda",
    "Solidity": "vim:solidity gtk:solidity",
    "Haxe": "vim:haxe gtk:haxe",
    "ActionScript": "vim:actionscript gtk:actionscript",
    "Vala": "vim:vala gtk:vala mime:text/x-vala",
    "QML": "vim:qml mime:text/x-qml",
    "Apex": "vim:apex",
    "Transact-SQL": "vim:tsql",
    "MySQL": "vim:mysql",
    "Starlark": "vim:starlark vim:bzl",
    "Meson": "vim:meson gtk:meson mime:text/x-meson",
    "Ninja": "vim:ninja",
    "Fish": "vim:fish gtk:fish",
    "C shell": "vim:csh vim:tcsh mime:application/x-csh",
    "Awk": "vim:awk gtk:awk mime:application/x-awk",
    "systemd unit": "vim:systemd mime:text/x-systemd-unit",
    "Scilab": "vim:scilab gtk:scilab",
    "POV-Ray": "vim:pov",
    "MetaPost": "vim:mp",
    "Asymptote": "vim:asy",
    "PureBasic": "vim:purebasic",
    "AviSynth": "vim:avs",
    "Intel HEX": "vim:hex",
    "Motorola S-record": "vim:srec",
    "ASN.1": "vim:asn",
    "CIL": "vim:cil",
    "Zig": "vim:zig",
    "Jsonnet": "vim:jsonnet",
    "Thrift": "vim:thrift gtk:thrift",
    "Elm": "vim:elm",
    "OpenSCAD": "vim:openscad",
    "WebAssembly text": "vim:wast",
}
LANGUAGE_OF = {key: language for language, keys in SOURCES.items() for key in keys.split()}
# An unmapped MIME type below one of these takes its language (svg, kml, gltf...).
MIME_FAMILIES = {"application/xml": "XML", "application/json": "JSON", "text/x-python": "Python", "application/x-yaml": "YAML"}
# GtkSourceView ids that are Emacs major modes too, so "-*- mode: js -*-" uses them.
EMACS_MODES = {"js", "makefile", "objc", "latex", "octave", "powershell", "haxe", "actionscript", "bibtex"}
# Vim's shell helpers choose the dialect from the "#!" line, not the file name.
VIM_SHELL_HELPERS = {"SetFileTypeSH": "sh", "CSH": "csh"}

# Extensions the lead decides by content: never added, never tested.
HAND_SHARED = set("h m pl pm pp v cls fs r sql inc d t pro ts".split())
# Never added: binary formats and generic words.
BINARY = set("a o so obj lib dll exe exp sys class fasl elc pyc pdb cdb zabw gz ai spx sig frx".split())
IGNORED = {
    "mime:text/vnd.trolltech.linguist": "*.ts",  # Qt Linguist; .ts is TypeScript to most
    "mime:application/sieve": "*.siv",  # Sieve mail filters are no XML
    "mime:application/smil+xml": "*.smi *.sml",  # subtitles and Standard ML
    "mime:application/x-dia-diagram": "*.dia",  # usually gzip-compressed
    "mime:application/x-abiword": "*.abw.gz *.abw.CRASHED",
    "mime:text/x-readme": "README*",  # would take README.md from Markdown
    "mime:text/plain": "*,v",  # RCS archives
    "gtk:xml": "*.sml *.smi *.siv *.lang",  # other languages' and generic extensions
    "gtk:toml": "*.lock",  # yarn.lock, composer.lock... are no TOML
    "vim:php": "*.theme",  # Windows desktop themes are INI files
    "vim:postscr": "*.afm",  # font metrics, not PostScript
    "vim:bzl": "*.BUILD",  # case-blind, it would take every .build file
    "vim:asm": "*.lst *.mac",  # listings and macro files of all kinds
    "vim:sql": "*.typ",  # Typst documents
    "mime:application/x-shellscript": "nawk",  # an Awk interpreter
    "linguist:Shell": "man login 9fs",  # too common as names of other files
    "linguist:SQL": "*.tab *.udf",  # tables of all kinds, disk images
}

# Facts the sources lack: (language, kind, entries)  # why
HAND = [
    ("Makefile", "name", "Makefile.inc mkfile"),  # BSD make includes, Plan 9 mk
    ("Shell script", "name", ".envrc"),  # direnv
    ("TOML", "name", "uv.lock pdm.lock Gopkg.lock"),  # Python and Go lock files
    ("Properties / INI", "name", "ssh_config sshd_config"),  # OpenSSH, key-value lines
    ("YAML", "name", ".gemrc .clangd CITATION.cff"),  # RubyGems, clangd, citations
    ("YAML", "ext", "cff"),  # Citation File Format
    ("Lisp", "name", "Cask .gnus .spacemacs"),  # Emacs Lisp set-ups
    ("Text", "name", ".eslintignore .prettierignore .stylelintignore .babelignore .nodemonignore"),  # JS tools' ignore lists
    ("Text", "name", ".vscodeignore .atomignore .ignore .rgignore"),  # editors' and searchers' ignore lists
    ("Text", "name", ".helmignore .gcloudignore .vercelignore .slugignore"),  # deployment ignore lists
    ("Text", "name", ".containerignore .dockerignore .bzrignore .cvsignore"),  # build and VCS ignore lists
    ("Java", "ext", "jsh"),  # JShell scripts
    ("C#", "ext", "cake"),  # Cake build scripts
    ("Ruby", "ext", "rbi"),  # Sorbet interfaces
    ("XML", "ext", "plist tmLanguage tmTheme tmPreferences tmSnippet tmCommand"),  # Apple and TextMate
    ("JSON", "ext", "sublime-project sublime-settings sublime-keymap sublime-commands"),  # Sublime Text
    ("JSON", "ext", "sublime-menu sublime-build sublime-macro sublime-completions"),  # Sublime Text
    ("JSON", "ext", "sublime-theme sublime-color-scheme sublime-mousemap"),  # Sublime Text
    ("JSON", "ext", "json5"),  # JSON with comments, as configurations use it
    ("HTML", "ext", "erb rhtml cshtml razor"),  # templates that are mostly HTML
    ("Python", "ext", "smk"),  # Snakemake
    ("Python", "name", "Snakefile"),  # Snakemake
    ("SQL", "ext", "prc"),  # stored procedures
    ("LaTeX", "ext", "cbx bbx lbx"),  # biblatex styles
    ("Raku", "alias", "perl6"),  # Raku's former name and interpreter
    ("Starlark", "name", "BUCK Tiltfile"),  # Buck and Tilt build files
    ("Erlang", "name", "*.app.src rebar.config sys.config"),  # OTP application resources and configurations
    ("HTML", "ext", "eex heex leex"),  # Elixir templates: x.html.eex
    ("C", "ext", "y"),  # Yacc and Bison grammars hold C
    ("C++", "ext", "yy"),  # Bison grammars for C++
    ("Makefile", "name", "justfile Justfile .justfile"),  # just's recipes read like make's
    ("Go", "name", "go.mod go.work"),  # Go's module files
    ("Text", "name", "CODEOWNERS .mailmap MAINTAINERS NOTICE MANIFEST.in go.sum"),  # project lists
    ("Python", "alias", "uv"),  # "#!/usr/bin/env -S uv run --script"
    ("C", "alias", "tcc"),  # "#!/usr/bin/tcc -run"
    ("Ruby", "alias", "rake macruby rbx"),  # Ruby's task runner and other Rubies
    ("Rust", "alias", "rust-script"),  # Rust scripts
    ("Lisp", "alias", "newlisp"),  # newLISP scripts
    ("Shell script", "alias", "openrc-run"),  # OpenRC service scripts
    # Names the classifier's later lists know (Debian 12 has Linguist 7.22).
    ("JSON", "name", ".releaserc .all-contributorsrc MODULE.bazel.lock"),  # semantic-release, all-contributors, Bazel
    ("YAML", "name", "pixi.lock"),  # pixi
    ("Properties / INI", "name", "hosts vlcrc .gitreview .buckconfig config.worktree .tgitconfig"),  # key-value files
    ("Lisp", "name", "Eask"),  # Emacs packages
    ("Text", "name", ".eslint-ignore .agignore"),  # ignore lists
    ("Visual Basic", "ext", "dsr"),  # Visual Basic 6 designers
    ("Makefile", "name", "Makefile.pc"),  # make's include files
    ("XML", "ext", "workflow"),  # Automator workflows; shared with HCL, decided by content
    ("XML", "ext", "sch"),  # Eagle's schematics; shared with Scheme and KiCad, decided by content
]


# --- the sources: claims are (kind, value, language, decided) -----------------
# kind is "ext", "name" or "alias"; language is None where no lumen language
# fits; decided is False where a source reads the file's content to choose,
# which only marks the entry as contested.

def split_top(text, separator):
    """Splits at `separator` outside braces."""
    parts, depth, start = [], 0, 0
    for at, c in enumerate(text):
        depth += (c == "{") - (c == "}")
        if c == separator and depth == 0:
            parts, start = parts + [text[start:at]], at + 1
    return parts + [text[start:]]


def expand_braces(pattern):
    match = re.search(r"\{([^{}]*)\}", pattern)
    if not match:
        return [pattern]
    return [p for alt in match.group(1).split(",")
            for p in expand_braces(pattern[:match.start()] + alt + pattern[match.end():])]


def case_blind(match):
    a, b = match.group(1), match.group(2)
    return a if a.lower() == b.lower() else match.group(0)


def glob_entries(pattern):
    """("ext", e) or ("name", n) for each file-name glob that `pattern` stands for."""
    entries = []
    for glob in expand_braces(re.sub(r"\\c$", "", pattern.strip())):
        glob = re.sub(r"\[(\w)(\w)\]", case_blind, glob)  # [mM]akefile: names ignore case
        if not glob or re.search(r"[/\\\[\]{}$=]", glob) or glob.endswith("*") or not re.search(r"\w", glob):
            continue  # a path, a regular expression, or a catch-all such as "*.*" or "Makefile*"
        ext = re.fullmatch(r"\*\.([\w+-]+)", glob)
        entries.append(("ext", ext.group(1)) if ext else ("name", glob))
    return entries


def claims_of(key, patterns, language, decided=True):
    ignored = IGNORED.get(key, "").split()
    return [(kind, value, language, decided) for pattern in patterns if pattern not in ignored
            for kind, value in glob_entries(pattern)]


def program(name):
    """A "#!" program as lumen tries it last: without its version."""
    return re.sub(r"[.-]?\d+(\.\d+)*$", "", name)


def mime_claims(path):
    ns = "{http://www.freedesktop.org/standards/shared-mime-info}"
    types = {m.get("type"): m for m in ET.parse(path).getroot().iter(ns + "mime-type")}
    parents = {t: [p.get("type") for p in m.iter(ns + "sub-class-of")] for t, m in types.items()}

    def family(t, seen=()):
        if t in MIME_FAMILIES:
            return MIME_FAMILIES[t]
        found = {family(p, seen + (t,)) for p in parents.get(t, []) if p not in seen} - {None}
        return found.pop() if len(found) == 1 else None

    claims = []
    for t, m in types.items():
        aliases = sorted({t} | {a.get("type") for a in m.iter(ns + "alias")})
        language = next((LANGUAGE_OF["mime:" + a] for a in aliases if "mime:" + a in LANGUAGE_OF), None) or family(t)
        claims += claims_of("mime:" + t, [g.get("pattern") for g in m.iter(ns + "glob")], language)
        for match in m.iter(ns + "match"):  # "#!/usr/bin/python3", "/bin/env lua"
            value = match.get("value", "")
            name = program(re.split(r"[/\s]", value.strip())[-1])
            if language and "/bin/" in value and name not in IGNORED.get("mime:" + t, "").split():
                claims.append(("alias", name, language, True))
    return claims


def vim_words(pattern):
    """The program names a pattern of Vim's "#!" rules matches literally."""
    p = re.sub(r"\\%\(.*?\\\)|\\[<>]|\\d[*+]|^\^", "", pattern)
    p = p.replace(r"\(", "(").replace(r"\)", ")").replace(r"\|", "|").replace(r"\=", "?")

    def alternatives(at):  # -> (strings, position of the closing parenthesis)
        options, current = [], [""]
        while at < len(p) and p[at] != ")":
            if p[at] == "|":
                options, current, at = options + current, [""], at + 1
                continue
            inner, at = ([p[at]], at + 1) if p[at] != "(" else alternatives(at + 1)
            if p[at - 1:at] == ")" and p[at:at + 1] == "?":
                inner, at = inner + [""], at + 1
            current = [c + i for c in current for i in inner]
        return options + current, at + 1

    return [w for w in alternatives(0)[0] if re.fullmatch(r"[a-z][\w+.-]*", w)]


def vim_claims(root):
    read = lambda path: path.read_text(encoding="utf-8", errors="replace")
    helpers = {name: {a or b for a, b in re.findall(r"\bsetf\s+(\w+)|syntax = \"(\w+)\"", body)}
               for name, body in re.findall(r"^export def (\w+)\(.*?\n(.*?)^enddef", read(root / "autoload/dist/ft.vim"),
                                            flags=re.S | re.M)}
    claims, types = [], set()
    text = re.sub(r"\n\s*\\", " ", read(root / "filetype.vim"))
    for patterns, command in re.findall(r"^\s*au(?:tocmd)?\s+(?:\w+\s+)?Buf[\w,]+\s+(\S+)\s+(.*)$", text, flags=re.M):
        fts = {"".join(f) for f in re.findall(
            r"\bsetf\s+(?:FALLBACK\s+)?(\w+)|StarSetf\('(\w+)'\)|\bset(?:local)?\s+(?:ft|filetype)=(\w+)", command)}
        for name, args in re.findall(r"dist#ft#(\w+)\(([^)]*)\)", command):
            quoted = set(re.findall(r"[\"'](\w+)[\"']", args))
            fts |= {VIM_SHELL_HELPERS[name]} if name in VIM_SHELL_HELPERS else \
                quoted if name == "SetFileTypeShell" else helpers.get(name, set()) | quoted
        types |= fts
        languages = {LANGUAGE_OF.get("vim:" + ft) for ft in fts}
        decided = len(languages) == 1 and None not in languages
        for ft in fts:
            claims += claims_of("vim:" + ft, split_top(patterns, ","), LANGUAGE_OF.get("vim:" + ft), decided)
    claims += [("alias", ft, LANGUAGE_OF["vim:" + ft], True) for ft in sorted(types) if "vim:" + ft in LANGUAGE_OF]
    # "#!" programs: each "elseif name =~ 'pattern'" with the file type it then sets.
    for script in (root / "scripts.vim", root / "autoload/dist/script.vim"):
        body = read(script) if script.exists() else ""
        body = body[body.find("def DetectFromHashBang"):] if "def DetectFromHashBang" in body else body
        for chunk in re.split(r"\n\s*(?:else)?if (?=\S*name =~)", body.split("\nenddef")[0])[1:]:
            tests, _, action = chunk.partition("\n")
            ft = re.search(r"set ft=(\w+)|SetFileTypeShell\(\"(\w+)\"\)|(SetFileTypeSH)", action)
            language = ft and LANGUAGE_OF.get("vim:" + (ft.group(1) or ft.group(2) or "sh"))
            if language:
                claims += [("alias", program(w), language, True)
                           for pattern in re.findall(r"name =~ '([^']*)'", tests) for w in vim_words(pattern)]
    return claims, types


def gtk_claims(folder, modeline_types):
    claims = []
    for path in sorted(folder.glob("*.lang")):
        root = ET.parse(path).getroot()
        ns = root.tag[:root.tag.find("}") + 1]
        props = {p.get("name"): p.text or "" for p in root.iter(ns + "property")}
        key = "gtk:" + root.get("id", "")
        # An unmapped id takes the language of its MIME types when they name one.
        found = {LANGUAGE_OF.get("mime:" + t) for t in props.get("mimetypes", "").split(";")} - {None}
        language = LANGUAGE_OF.get(key) or (found.pop() if len(found) == 1 else None)
        claims += claims_of(key, props.get("globs", "").split(";"), language)
        if key in LANGUAGE_OF and root.get("id") in modeline_types:
            claims.append(("alias", root.get("id"), language, True))
    return claims


# GitHub's classifier (Linguist): its language -> lumen's, where the names
# differ. Any other language of the same name as one of lumen's is that one;
# the rest are languages lumen does not colour.
LINGUIST_NAMES = {
    "Cuda": "CUDA", "Objective-C++": "Objective-C", "Windows Registry Entries": "Registry",
    "Protocol Buffer": "Protocol Buffers", "Shell": "Shell script", "fish": "Fish", "Tcsh": "C shell",
    "Alpine Abuild": "Shell script", "OpenRC runscript": "Shell script", "Batchfile": "Batch",
    "PLSQL": "SQL", "PLpgSQL": "SQL", "SQLPL": "SQL", "TSQL": "Transact-SQL",
    "HTML+ERB": "HTML", "HTML+Razor": "HTML", "HTML+EEX": "HTML", "HTML+ECR": "HTML", "HTML+PHP": "PHP",
    "XML Property List": "XML", "XSLT": "XML", "SVG": "XML", "Maven POM": "XML", "Ant Build System": "XML",
    "SCSS": "CSS", "Less": "CSS", "JSON with Comments": "JSON", "JSON5": "JSON",
    "INI": "Properties / INI", "Java Properties": "Properties / INI", "Git Config": "Properties / INI",
    "SSH Config": "Properties / INI", "EditorConfig": "Properties / INI", "desktop": "Properties / INI",
    "NPM Config": "Properties / INI", "ApacheConf": "Apache configuration", "Pascal": "Pascal / Delphi",
    "Visual Basic .NET": "Visual Basic", "VBA": "Visual Basic", "Fortran": "Fortran 77",
    "Fortran Free Form": "Fortran", "TeX": "LaTeX", "POV-Ray SDL": "POV-Ray", "Assembly": "Assembler",
    "Unix Assembly": "Assembler (GNU)", "Common Lisp": "Lisp", "Emacs Lisp": "Lisp", "NewLisp": "Lisp",
    "WebAssembly": "WebAssembly text", "MATLAB": "MATLAB / Octave", "Verilog": "Verilog / SystemVerilog",
    "SystemVerilog": "Verilog / SystemVerilog", "Gettext Catalog": "Gettext catalog", "TSX": "TypeScript",
    "Ignore List": "Text", "Git Attributes": "Text", "CODEOWNERS": "Text", "Go Module": "Go",
    "Go Checksums": "Text", "QMake": "Makefile", "Gradle": "Groovy",
    "Pod": "Perl", "Pod 6": "Raku",  # documentation inside Perl and Raku, as their lexers show it
    "Yacc": None,  # lumen shows grammars as the C or C++ they hold (.y, .yy), by hand
}
# Same name, another language: Linguist's IDL is the data language, lumen's the interface one.
LINGUIST_UNLIKE = {"IDL"}
# Extensions Linguist decides by content that lumen leaves as they are: why
LINGUIST_KEPT = {
    "yy": "Bison grammars: C++ as lumen shows them, not Yacc's plain text",
    "dsp": "Developer Studio projects read as the makefiles they are",
}
# Extensions never shown as plain text for want of a rule: why
NEVER_PLAIN = {
    "php": "a page may hold only HTML in its first 4 KB",
}


def linguist_language(name, lumen_names):
    if name in LINGUIST_NAMES:
        return LINGUIST_NAMES[name]
    return name if name in lumen_names and name not in LINGUIST_UNLIKE else None


def linguist_claims(folder, lumen_names):
    """(claims of languages.yml, {extension: [languages lumen does not colour]},
    {file name: language lumen does not colour})."""
    import yaml  # python3-yaml: only this source needs it
    claims, uncoloured, uncoloured_names = [], {}, {}
    for name, data in yaml.safe_load((folder / "languages.yml").read_text(encoding="utf-8")).items():
        language = linguist_language(name, lumen_names)
        if not language:
            for e in data.get("extensions", []):
                uncoloured.setdefault(e[1:].lower(), []).append(name)
            for glob in data.get("filenames", []):
                uncoloured_names.update({value: name for kind, value in glob_entries(glob) if kind == "name"})
            continue
        claims += claims_of("linguist:" + name, ["*" + e for e in data.get("extensions", [])] + data.get("filenames", []),
                            language)
        words = data.get("interpreters", []) + data.get("aliases", [])
        claims += [("alias", w, language, True) for w in words if re.fullmatch(r"[\w+-]+", w)]
    return claims, uncoloured, uncoloured_names


# --- content rules for shared extensions (Linguist's heuristics.yml) ----------

# lumen's own rules after the classifier's, for files its rules miss: (extension, language, rule)  # why
HAND_CONTENT = [
    ("m", "MATLAB / Octave", r"^\s*(function\b|end\s*$|(disp|fprintf|plot|figure|clear|clc|close all)\b)"),  # MATLAB without comments
    ("t", "Perl", r"^\s*(use\s+(Test::|strict|warnings|lib\b)|(my|our)\s+[$@%]\w|sub\s+\w+\s*\{|done_testing)"),  # Perl tests
    ("pm", "Perl", r"^\s*(package\s+[\w:]+\s*;|(use|require)\s+[\w:]+|1;\s*$|(my|our)\s+[$@%]\w)"),  # Perl modules
    ("hh", "C++", r"^\s*#\s*(include|ifndef|define|pragma)\b|^\s*(struct|enum|typedef|extern)\b"),  # C++ headers
    ("sc", "Scala", r"^\s*(package\s+[\w.]+|import\s+[\w.]+|object\s+\w+|trait\s+\w+|case\s+class\b|(override\s+|private\s+)?def\s+\w+|val\s+\w+\s*[:=])"),  # Scala scripts
    ("d", "D", r"^\s*(import|module)\s+[\w.]+|^\s*(void|int|auto|string|bool)\s+\w+\s*\("),  # D without a module line
    ("v", "Verilog / SystemVerilog", r"^\s*(endmodule|always\b|assign\b|wire\b|reg\b|input\b|output\b)|^\s*module\s+\w+\s*[(#;]"),  # Verilog modules
    ("cls", "LaTeX", r"^\s*\\(documentclass|LoadClass|RequirePackage|newcommand|renewcommand|def)\b"),  # LaTeX classes
    ("f", "Fortran 77", r"(?i)^\s+(integer|real|double|dimension|common|call|do|if|write|format|parameter|implicit|character|logical)\b"),  # fixed-form Fortran
    ("for", "Fortran 77", r"(?i)^\s+(integer|real|double|dimension|common|call|do|if|write|format|parameter|implicit|character|logical)\b"),
    ("r", "Text", r"^\s*(resource|type|data)\s+'[^'\n]{4}'|^#include\s+\"[^\"]*\.r\""),  # Rez, Apple's resource files
    ("workflow", "XML", r"\A\s*<"),  # XML; GitHub's old HCL workflows are plain text
    ("sch", "Text", r"\AEESchema "),  # KiCad's schematics
    ("sch", "XML", r"\A\s*<"),  # Eagle's and other XML schematics; else Scheme
]


def ruby_to_pcre(pattern):
    """A pattern of Ruby's as PCRE2 reads it with ^ and $ at every line (as
    Ruby's always are), or None where it holds something PCRE2 lacks."""
    pattern = pattern.replace(r"[\s&&[^\n]]", r"[^\S\n]")  # white space but the line end
    if "&&" in pattern or re.search(r"(?<!\\)\\[hG]", pattern):
        return None  # other class intersections, \h (a hex digit in Ruby)
    # Ruby's m flag is PCRE2's s: the dot takes line ends.
    return re.sub(r"\(\?([a-zA-Z-]*)([:)])", lambda m: "(?" + m.group(1).replace("m", "s") + m.group(2), pattern)


def union(patterns):
    return patterns[0] if len(patterns) == 1 else "|".join(f"(?:{p})" for p in patterns)


def rule_pattern(rule, named):
    """One rule's pattern, its parts joined as PCRE2 can: alternatives for a
    list, look-aheads from the start for "and" and negative_pattern. None for
    a rule without any (which always matches); "" where one cannot be read."""
    def listed(value):
        return value if isinstance(value, list) else [value]

    positives, negatives = [], []
    for part in rule.get("and", [rule]):
        found = listed(part.get("pattern", [])) + [p for n in listed(part.get("named_pattern", [])) for p in listed(named[n])]
        if found:
            positives.append(found)
        negatives += listed(part.get("negative_pattern", []))
    if not positives and not negatives:
        return None
    translated = [[ruby_to_pcre(p) for p in group] for group in positives]
    negatives = [ruby_to_pcre(p) for p in negatives]
    if any(p is None for group in translated for p in group) or None in negatives:
        return ""
    if len(translated) == 1 and not negatives:
        return union(translated[0])
    return r"\A" + "".join(rf"(?=[\s\S]*?(?:{union(g)}))" for g in translated) + \
        "".join(rf"(?![\s\S]*?(?:{n}))" for n in negatives)


def shared_extensions(folder, languages, uncoloured, lumen_names):
    """[(extension, [(language, rule, source)], otherwise)] for each extension
    lumen lists that the classifier's heuristics decide by content."""
    import yaml
    data = yaml.safe_load((folder / "heuristics.yml").read_text(encoding="utf-8"))
    named = data.get("named_patterns", {})
    entries = []
    known = {e[1:].lower() for block in data["disambiguations"] for e in block["extensions"]}
    extra = [{"extensions": ["." + e], "rules": []} for e in dict.fromkeys(e for e, _, _ in HAND_CONTENT) if e not in known]
    for block in data["disambiguations"] + extra:
        for extension in (e[1:].lower() for e in block["extensions"]):
            listing = [lang for lang in languages if selects(lang.get("ext", ""), extension)]
            if not listing or extension in LINGUIST_KEPT:
                continue
            rules, otherwise = [], None
            for rule in block["rules"]:
                names = rule["language"] if isinstance(rule["language"], list) else [rule["language"]]
                language = next((linguist_language(n, lumen_names) for n in names if linguist_language(n, lumen_names)), None)
                pattern = rule_pattern(rule, named)
                if pattern == "":
                    print(f"heuristics: {extension}: a rule for {names[0]} PCRE2 cannot read, skipped")
                    continue
                if pattern is None:
                    otherwise = language or "Text"
                    break
                rules.append((language or "Text", pattern, "" if language == names[0] else names[0]))
            # lumen's rules after the classifier's, but those that find a language it does not colour first.
            mine = [(lang, rule, "lumen") for ext, lang, rule in HAND_CONTENT if ext == extension]
            rules = [r for r in mine if r[0] == "Text"] + rules + [r for r in mine if r[0] != "Text"]
            default = next((lang for lang in listing if not lang.get("content")), listing[0])["name"]
            # A language's own rule counts where it decides between several.
            ruled = {lang for lang, _, _ in rules} | {lang["name"] for lang in listing if lang.get("content") and len(listing) > 1}
            # Plain text where the extension is also a language's lumen does not
            # colour and every language of lumen's that lists it has a rule.
            if otherwise is None and extension in uncoloured and extension not in NEVER_PLAIN and all(
                    lang["name"] in ruled or lang["name"] == "Text" for lang in listing):
                otherwise = "Text"
            if otherwise == default:
                otherwise = None
            if otherwise is None and all(lang == default for lang, _, _ in rules):
                continue  # changes nothing
            entries.append((extension, rules, otherwise))
    return entries


def hand_claims():
    return [(kind, value, language, True) for language, kind, values in HAND for value in values.split()]


def drop_case_variants(claims):
    """Drops "*.C"-style extensions whose lower-case form the sources know too
    (a case-blind system cannot tell them apart), lowers the others, and drops
    the claims of languages lumen lacks."""
    lower = {v for k, v, _, _ in claims if k == "ext" and v == v.lower()}
    return [(k, v.lower() if k == "ext" else v, lang, decided) for k, v, lang, decided in claims
            if lang and (k != "ext" or v == v.lower() or v.lower() not in lower)]


def all_claims(languages):
    """({source: claims}, {extension: languages lumen does not colour})."""
    lumen_names = {lang["name"] for lang in languages}
    vim, vim_types = vim_claims(VIM)
    linguist, uncoloured, uncoloured_names = linguist_claims(LINGUIST, lumen_names)
    # Plain text beats another language's colours for the names of languages lumen does not colour.
    linguist += [("name", name, "Text", True) for name in sorted(uncoloured_names)
                 if recognise(languages, name)[0] not in (None, "Text")]
    sources = {"shared-mime-info": mime_claims(MIME), "Vim": vim, "GtkSourceView": gtk_claims(GTK, vim_types | EMACS_MODES),
               "Linguist": linguist, "this script": hand_claims()}
    return sources, uncoloured


# --- the configuration: a list of {attribute: value}, one per light Style -----

STYLE_TAG = re.compile(r"<Style\s[^>]*>")
ORDER = ("ext", "lexer", "name", "names", "aliases")


def light_styles(text):
    """(start, end) of the light <Styles> element's content."""
    return re.search(r"<Styles\b[^>]*>(.*?)</Styles>", text, flags=re.S).span(1)


def attributes(tag):
    entities = {"&lt;": "<", "&gt;": ">", "&quot;": '"', "&apos;": "'", "&amp;": "&"}
    unescape = lambda v: re.sub(r"&\w+;", lambda m: entities.get(m.group(0), m.group(0)), v)
    return {k: unescape(v) for k, v in re.findall(r'(\w+)="([^"]*)"', tag)}


def read_languages(text):
    return [attributes(tag.group(0)) for tag in STYLE_TAG.finditer(text, *light_styles(text))]


def selects(ext_list, ext):
    """Whether an ext list selects extension `ext`: at the start or after a blank,
    followed by the end or by neither a letter nor a digit."""
    a, e = ext_list.upper(), ext.upper()
    return any((at == 0 or a[at - 1].isspace()) and not a[at + len(e):at + len(e) + 1].isalnum()
               for at in (m.start() for m in re.finditer(f"(?={re.escape(e)})", a)))


def name_matches(pattern, name):
    regex = "".join(".*" if c == "*" else "." if c == "?" else re.escape(c) for c in pattern.lower())
    return re.fullmatch(regex, name.lower(), flags=re.S) is not None


def recognise(languages, file_name):
    """(language, "name" or "ext") for a file by its name alone; (None, None)."""
    for lang in languages:
        if any(name_matches(p, file_name) for p in lang.get("names", "").split()):
            return lang["name"], "name"
    ext = file_name.rsplit(".", 1)[1] if "." in file_name else ""
    for lang in languages:
        if ext and selects(lang.get("ext", ""), ext):
            return lang["name"], "ext"
    return None, None


def example(kind, value):
    return "example." + value if kind == "ext" else value.replace("*", "example").replace("?", "x")


def contested(claims):
    """{(kind, value): languages} for entries the sources give to several languages."""
    found = {}
    for kind, value, language, _ in claims:
        found.setdefault((kind, value.lower()), set()).add(language)
    return {key: sorted(langs) for key, langs in found.items() if len(langs) > 1}


def merge(languages, claims, shared, uncoloured=()):
    """(merged languages, {language: {attribute: [new values]}})."""
    merged = [dict(lang) for lang in languages]
    index = {lang["name"]: i for i, lang in enumerate(merged)}
    attribute_of = {"ext": "ext", "name": "names", "alias": "aliases"}
    wanted = sorted({(k, v, lang) for k, v, lang, decided in claims if decided and lang in index},
                    key=lambda c: (list(attribute_of).index(c[0]), c[2], c[1].lower()))
    added = {}
    for kind, value, language in wanted:
        if (kind, value.lower()) in shared or (kind == "ext" and (value in HAND_SHARED or value in BINARY or value in uncoloured)):
            continue
        attribute, name = attribute_of[kind], example(kind, value)
        trial = [dict(lang) for lang in merged]
        trial[index[language]][attribute] = (merged[index[language]].get(attribute, "") + " " + value).strip()
        if kind == "alias":
            if any(value.lower() == a.lower() for lang in merged for a in lang.get("aliases", "").split()):
                continue
        elif kind == "ext":
            # New, selected by the language, and selecting no other extension ("x-y" selects "x").
            prefixes = [e for lang in merged for e in lang.get("ext", "").split()
                        if value.lower().startswith(e.lower()) and value[len(e):len(e) + 1] and not value[len(e)].isalnum()]
            if recognise(merged, name)[0] or recognise(trial, name)[0] != language or any(
                    recognise(trial, example("ext", e)) != recognise(merged, example("ext", e)) for e in prefixes):
                continue
        else:
            # New, not already this language's by extension, taking no other entry's files.
            samples = [example(k, v) for lang in merged for k, a in (("name", "names"), ("ext", "ext"))
                       for v in lang.get(a, "").split() if name_matches(value, example(k, v))]
            if recognise(merged, name)[1] == "name" or recognise(merged, name)[0] == language or any(
                    recognise(trial, s)[0] != recognise(merged, s)[0] for s in samples):
                continue
        merged = trial
        added.setdefault(language, {}).setdefault(attribute, []).append(value)
    return merged, added


def rewrite(text, added):
    """`text` with the new values appended to the light Styles' start tags."""
    start, end = light_styles(text)
    escape = lambda v: v.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")

    def extend(tag):
        new = tag.group(0)
        for attribute, values in added.get(attributes(new).get("name"), {}).items():
            more = escape(" ".join(values))
            present = re.search(rf'\s{attribute}="([^"]*)"', new)
            if present:
                at, more = present.end(1), (" " if present.group(1) else "") + more
            else:  # after the attributes that come before it
                before = [m for a in ORDER[:ORDER.index(attribute)] for m in re.finditer(rf'\s{a}="[^"]*"', new)]
                at, more = (max(m.end() for m in before) if before else len("<Style")), f' {attribute}="{more}"'
            new = new[:at] + more + new[at:]
        return new

    return text[:start] + STYLE_TAG.sub(extend, text[start:end]) + text[end:]


SHARED_TAG = re.compile(r"([ \t]*)<SharedExtensions\b.*?</SharedExtensions>[ \t]*\r?\n?", flags=re.S)


def shared_element(entries, indent, newline):
    escape = lambda v: v.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")
    lines = [f"{indent}<SharedExtensions>",
             f"{indent}  <!-- Generated by src/resources/make_file_types.py from the content rules of",
             f"{indent}       GitHub's classifier (Linguist's heuristics.yml) and lumen's own. -->"]
    for extension, rules, otherwise in entries:
        more = f' otherwise="{escape(otherwise)}"' if otherwise else ""
        lines.append(f'{indent}  <Extension ext="{escape(extension)}"{more}>')
        for language, rule, source in rules:
            note = {"": "", "lumen": "  <!-- lumen's own -->"}.get(source, f"  <!-- {source} -->")
            lines.append(f'{indent}    <Rule name="{escape(language)}" content="{escape(rule)}"/>{note}')
        lines.append(f"{indent}  </Extension>")
    lines.append(f"{indent}</SharedExtensions>")
    return newline.join(lines) + newline


def with_shared_extensions(text, entries):
    """`text` with its SharedExtensions element replaced, or put before the light Styles."""
    newline = "\r\n" if "\r\n" in text else "\n"
    present = SHARED_TAG.search(text)
    if present:
        return text[:present.start()] + shared_element(entries, present.group(1), newline) + text[present.end():]
    styles = re.search(r"^([ \t]*)<Styles\b", text, flags=re.M)
    return text[:styles.start()] + shared_element(entries, styles.group(1), newline) + text[styles.start():]


# --- the test table -----------------------------------------------------------

def package_versions(status=Path("/var/lib/dpkg/status")):
    versions = {}
    for block in (status.read_text(encoding="utf-8", errors="replace") if status.exists() else "").split("\n\n"):
        fields = dict(re.findall(r"^(Package|Version): (.*)$", block, flags=re.M))
        versions.setdefault(fields.get("Package"), fields.get("Version"))
    return ", ".join(f"{p} {versions.get(p) or '(version unknown)'}" for p in PACKAGES)


SAMPLE = 8  # rows per source and kind in the test table


def sampled_rows(merged, sources, claims, shared, by_content):
    """Up to SAMPLE rows of each source's extensions and of its names, spread over its rows."""
    every = set(table_rows(merged, claims, shared, by_content))
    rows = set()
    for source_claims in sources.values():
        found = [row for row in table_rows(merged, drop_case_variants(source_claims), shared, by_content) if row in every]
        for kind in ("ext", "name"):
            mine = [row for row in found if row[1].startswith("example.") == (kind == "ext")]
            rows |= set(mine[::max(1, -(-len(mine) // SAMPLE))])
    return sorted(rows)


def table_rows(merged, claims, shared, by_content=()):
    """(language, file name) for each decided glob the merged configuration
    recognises as its language; not by an extension content decides."""
    by_content = {v for (k, v) in shared if k == "ext"} | HAND_SHARED | set(by_content)
    rows = set()
    for kind, value, language, decided in claims:
        name = example(kind, value)
        found, by = recognise(merged, name) if decided and kind != "alias" else (None, None)
        if found == language and not (by == "ext" and name.rsplit(".", 1)[1].lower() in by_content):
            rows.add((language, name))
    return sorted(rows)


def cpp_string(text):
    out, after_hex = [], False
    for c in text:
        if after_hex and c in "0123456789abcdefABCDEF":
            out.append('" L"')  # ends the escape, which would take this digit
        after_hex = not " " <= c <= "~"
        out.append("\\x%x" % ord(c) if after_hex else "\\" + c if c in '\\"' else c)
    return 'L"' + "".join(out) + '"'


def header(rows):
    return "\n".join([
        "#pragma once",
        "// Generated by src/resources/make_file_types.py from the file-name lists of Debian's",
        f"// {package_versions()}",
        "// and from the script's own table of names they lack. Do not edit; run the script.",
        "// Each file is one lumen recognises as the language by its name or extension alone:",
        f"// up to {SAMPLE} extensions and {SAMPLE} names of each source.",
        "",
        "struct EcosystemFileName {",
        "  const wchar_t* name;",
        "  const wchar_t* language;",
        "};",
        "",
        "inline constexpr EcosystemFileName kEcosystemFileNames[] = {",
        *(f"    {{{cpp_string(name)}, {cpp_string(language)}}}," for language, name in rows),
        "};",
        ""])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("config", nargs="?", type=Path, default=ROOT / "lumen.config.xml")
    parser.add_argument("--check", action="store_true", help="print what would be added; write nothing")
    parser.add_argument("--header", type=Path, default=HEADER, help="the test table to write")
    args = parser.parse_args()

    text = args.config.read_bytes().decode("utf-8")  # line ends as they are
    languages = read_languages(text)
    sources, uncoloured = all_claims(languages)
    # The script's own extensions are deliberate: added though other languages have them too.
    chosen = {value for kind, value, _, _ in sources["this script"] if kind == "ext"}
    claims = drop_case_variants([claim for source in sources.values() for claim in source])
    shared = {key: langs for key, langs in contested(claims).items() if not (key[0] == "ext" and key[1] in chosen)}
    merged, added = merge(languages, claims, shared, uncoloured.keys() - chosen)
    entries = shared_extensions(LINGUIST, merged, uncoloured, {lang["name"] for lang in languages})
    rows = sampled_rows(merged, sources, claims, shared, {extension for extension, _, _ in entries})

    for lang in languages:
        for attribute, values in added.get(lang["name"], {}).items():
            print(f"{lang['name']}: {attribute} += {' '.join(values)}")
    for (kind, value), langs in sorted(shared.items()):
        if value not in HAND_SHARED:
            print(f"shared: {value} -> {langs}" + ("" if kind == "ext" else f" ({kind})"))
    missing = [name for name in SOURCES if name not in {lang["name"] for lang in languages}]
    if missing:
        print("not in the configuration, skipped: " + ", ".join(missing))
    counts = [sum(len(a.get(attribute, [])) for a in added.values()) for attribute in ("ext", "names", "aliases")]
    for extension, rules, otherwise in entries:
        print(f"content: {extension}: " + ", ".join(f"{lang}" + (f" ({source})" if source else "") for lang, _, source in rules)
              + (f"; otherwise {otherwise}" if otherwise else ""))
    print("{} extensions, {} names, {} aliases {}; {} shared extensions by content; {} test rows".format(
        *counts, "to add" if args.check else "added", len(entries), len(rows)))
    if not args.check:
        args.config.write_text(with_shared_extensions(rewrite(text, added), entries), encoding="utf-8", newline="")
        args.header.write_text(header(rows), encoding="utf-8", newline="\n")
        print(f"wrote {args.config} and {args.header}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
