# bash completion for quistelor-cli: subcommands, their options, folders and
# photos. Relies on the helpers of the bash-completion package, which loads
# this file.

# The options of each subcommand; a new subcommand adds a line here and its
# arguments in _quistelor_cli below.
_quistelor_cli_options()
{
    case $1 in
        exif) echo "--help" ;;
        preview) echo "--no-exif --dates --companions --help" ;;
        rename) echo "--no-exif --companions --help" ;;
        undo) echo "--help" ;;
        recover) echo "--finish --undo --help" ;;
    esac
}

_quistelor_cli()
{
    local cur prev words cword
    _init_completion || return

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "exif preview rename undo recover --help --version" -- "$cur"))
        return
    fi

    # The arguments before the cursor, options left out.
    local i word ended="" args=()
    for ((i = 2; i < cword; i++)); do
        word=${words[i]}
        if [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -n $ended || $word != -* ]]; then
            args+=("$word")
        fi
    done
    if [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_quistelor_cli_options "${words[1]}")" -- "$cur"))
        return
    fi

    case ${words[1]} in
        exif)
            _filedir jpg
            ;;
        preview | rename)
            case ${#args[@]} in
                0) ;; # the pattern: free text
                1) _filedir -d ;;
                *) _quistelor_cli_photos "${args[1]}" ;;
            esac
            ;;
        undo | recover)
            ((${#args[@]} == 0)) && _filedir -d
            ;;
    esac
}

# The photos (*.jpg, any case) of the folder named by $1 as typed: quotes
# around it or backslashes before its spaces are taken away, never evaluated.
_quistelor_cli_photos()
{
    local folder=$1 name
    case $folder in
        \'*\' | \"*\") folder=${folder:1:${#folder}-2} ;;
        *) folder=${folder//\\/} ;;
    esac
    __expand_tilde_by_ref folder
    [[ -d $folder ]] || return
    compopt -o filenames 2>/dev/null
    COMPREPLY=()
    while IFS= read -r name; do
        [[ ${name,,} == *.jpg ]] && COMPREPLY+=("$name")
    done < <(cd -- "$folder" && compgen -f -- "$cur")
}

complete -F _quistelor_cli quistelor-cli
