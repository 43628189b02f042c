#!/usr/bin/env zsh
# The zsh completion of plotsieve-cli as a person meets it: an interactive zsh
# on a pseudo-terminal (zpty) that runs compinit with the completion's folder
# in fpath, the keys typed and the line read back after Tab.
# Usage: zsh_completion_zpty_test.zsh DATA_DIR PLOTSIEVE_CLI
#   DATA_DIR holds zsh/vendor-completions/_plotsieve-cli (a share/ folder:
#   /usr/share for an installed package); PLOTSIEVE_CLI is the program, whose
#   extract --help lists the text kinds.
emulate -L zsh
setopt extendedglob
zmodload zsh/zpty || exit 1
data_dir=$1
program=$2
home=$(mktemp -d)
trap 'zpty -d shell 2>/dev/null; rm -rf $home' EXIT
mkdir -p $home/tree/samples
touch $home/tree/samplers.txt $home/tree/plan.dxf
cat >$home/.zshrc <<EOF
PS1='%% '
fpath=($data_dir/zsh/vendor-completions \$fpath)
autoload -Uz compinit && compinit -u -d $home/.zcompdump
show-buffer() { print -rn -- \$'\\n<<'"\$BUFFER"\$'>>\\n' }
zle -N show-buffer
bindkey '^Xl' show-buffer
cd $home/tree
print READ''Y
EOF
zpty shell env HOME=$home ZDOTDIR=$home TERM=dumb COLUMNS=200 LANG=C.UTF-8 \
    PATH=${program:h}:/usr/bin:/bin zsh -i

output=''
# Reads until $1 has come (at most 10 s); what came is in $output.
read_until() {
    output=''
    local chunk deadline=$((SECONDS + 10))
    while [[ $output != *$1* ]]; do
        if zpty -r -t shell chunk; then output+=$chunk; else sleep 0.05; fi
        (( SECONDS < deadline )) || { print -r -- "no '$1' in: ${(q+)output}" >&2; return 1; }
    done
}
# Reads until the shell has been quiet for 0.4 s, adding to $output.
settle() {
    local chunk quiet=0
    while (( quiet < 8 )); do
        if zpty -r -t shell chunk; then output+=$chunk; quiet=0; else sleep 0.05; ((quiet++)); fi
    done
}
read_until READY || exit 1

failures=0
fail() { print -r -- "FAIL: $*" >&2; ((failures++)) }

# Types $1 and Tab; $line is the line afterwards, $written what the shell wrote.
complete_line() {
    zpty -w -n shell "$1"$'\t'
    output=''
    settle
    zpty -w -n shell $'\C-xl'
    local before=$output
    read_until '>>' || return 1
    written=$before$output
    line=${${written##*<<}%%>>*}
    zpty -w -n shell $'\C-u'
    output=''
    settle
}

expect_line() {
    complete_line "$1"
    [[ $line == "$2" ]] || fail "'$1' + Tab: line '$line', want '$2'"
    [[ $written != *$'\a'* ]] || fail "'$1' + Tab: the bell rang"
    [[ $written != *(command not found|_arguments|bad pattern|no such)* ]] ||
        fail "'$1' + Tab: the shell said ${(q+)written}"
}

expect_line 'plotsieve-cli search sam' 'plotsieve-cli search samples/'
expect_line 'plotsieve-cli search pl' 'plotsieve-cli search plan.dxf '
expect_line 'plotsieve-cli search --form' 'plotsieve-cli search --format='
expect_line 'plotsieve-cli search --format=j' 'plotsieve-cli search --format=json '
expect_line 'plotsieve-cli index sam' 'plotsieve-cli index samples/'
# The comma is the list's separator, offered as a suffix the next key removes.
expect_line 'plotsieve-cli extract --kinds=MT' 'plotsieve-cli extract --kinds=MTEXT,'

# A list of every text kind, as extract --help names them.
help=$($program extract --help)
help=${${help#*any case\):}%%--show-kind*}
kinds=(${(o)${(M)${=help}:#[A-Z][A-Z0-9_]#}})
complete_line 'plotsieve-cli extract --kinds '
listing=${${written#*--kinds }%%$'\n'% *}
offers=(${=listing//$'\r'/})
offers=(${(o)${(M)offers:#[A-Z0-9_]##}})
[[ ${(j: :)offers} == ${(j: :)kinds} ]] ||
    fail "'extract --kinds ' + Tab: offers (${offers}), want (${kinds})"

(( failures == 0 )) || exit 1
print "zsh completion on a terminal: all passed"
