# fish completion for quillo

function __quillo_snippet_names
    set -l program (commandline -opc)[1]
    $program list 2>/dev/null | string replace -r '^[^\t]*\t' ''
end

function __quillo_needs_snippet
    set -l words (commandline -opc)
    contains -- $words[2] fields render paste; or return 1
    set -l skip 0
    for word in $words[3..-1]
        if test $skip = 1
            set skip 0
        else if contains -- $word --field --clipboard --now
            set skip 1
        else if not string match -q -- '-*' $word
            return 1
        end
    end
    return 0
end

set -l modes list search fields render paste
complete -c quillo -f
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -a list -d 'List every snippet with its group'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -a search -d 'The snippets the picker finds'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -a fields -d 'The fill-in fields of a snippet'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -a render -d 'Print a snippet as it is pasted'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -a paste -d 'Ask the running Quillo to paste a snippet'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -l autostart -d 'Start in the tray'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -l settings -d 'Open the settings window'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -l picker -d 'Open the picker'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -l import-atext -r -F -d 'Import an aText backup'
complete -c quillo -n "not __fish_seen_subcommand_from $modes" -l version -d 'Print the version'
complete -c quillo -s h -l help -d 'Print the commands and options'
complete -c quillo -n "__fish_seen_subcommand_from list search fields" -l json -d 'Print JSON'
complete -c quillo -n "__fish_seen_subcommand_from render paste" -l field -x -d 'Fill in a field: NAME=VALUE'
complete -c quillo -n "__fish_seen_subcommand_from render" -l clipboard -x -d 'The text for the clipboard placeholder'
complete -c quillo -n "__fish_seen_subcommand_from render" -l now -x -d 'The moment the dates show'
complete -c quillo -n "__fish_seen_subcommand_from render" -l html -d 'Print the HTML of a formatted snippet'
complete -c quillo -n __quillo_needs_snippet -a "(__quillo_snippet_names)"
