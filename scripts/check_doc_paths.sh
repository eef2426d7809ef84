#!/usr/bin/env bash
# Keeps the documents and comments of the tree true about its files: every
# file they name must exist. Looks at the Markdown files and at the comment
# lines of the sources, scripts and CMake files, for
#   - paths under a folder of the tree (src/forms/program.h, scripts/fuzz.sh,
#     or forms/wait.h from inside src/), which must exist as written: from the
#     top, from src/, from tests/ or from the naming file's folder;
#   - bare names of sources, scripts and documents (placement.h, run.sh),
#     which some file of the tree must carry; a generated form header
#     (ui_set_form.h) counts when its form (set_form.ui) is in the tree.
# Prints every name that is missing as file:line: name and exits 1; exits 0
# when none is.
set -euo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    list() { git ls-files -z --cached --others --exclude-standard; }
else
    list() { find . \( -path ./build -o -path './build-*' -o -path ./.git \) -prune -o -type f -printf '%P\0'; }
fi

list | perl -0 -e '
    use strict;
    use warnings;
    my @files = map { chomp; $_ } <STDIN>;
    my %base = map { (m{([^/]+)$})[0] => 1 } @files;
    my $folders = qr{(?:\.ci|src|tests|scripts|bench|tools|assets|cmake|base|mail|platform|forms|settings|panel|mascot|app)};
    my $path = qr{(?<![\w/.\$<{}-])($folders/[\w./-]*\.(?:h|cpp|sh|py|md|cmake|txt|ui))\b};
    my $name = qr{(?<![\w/.\$<{}-])([A-Za-z_][\w-]*\.(?:h|cpp|sh|py|md))\b};
    my $status = 0;
    for my $file (@files) {
        my $markdown = $file =~ /\.md$/;
        next unless $markdown || $file =~ m{(\.(h|cpp|sh|py|cmake)|(^|/)CMakeLists\.txt|^\.ci/run)$};
        open(my $in, "<", $file) or next;
        local $/ = "\n";
        (my $dir = $file) =~ s{[^/]*$}{};
        while (my $line = <$in>) {
            next unless $markdown || $line =~ m{^\s*(//|\*|/\*|#(?!\s*include|!))};
            for my $p ($line =~ /$path/g) {
                next if grep { -e $_ } ($p, "src/$p", "tests/$p", "$dir$p");
                print "$file:$.: $p\n";
                $status = 1;
            }
            for my $n ($line =~ /$name/g) {
                next if $base{$n};
                next if $n =~ /^ui_(\w+)\.h$/ && $base{"$1.ui"};
                print "$file:$.: $n\n";
                $status = 1;
            }
        }
    }
    print "documents: every file named in a document or comment exists\n" unless $status;
    exit $status;
'
