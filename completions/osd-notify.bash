# SPDX-License-Identifier: GPL-2.0-or-later
# bash completion for osd-notify: the method names as the first word, true and false as the value
# of a switch method, the positions as the sixth value of the custom-text methods, the power
# profiles as the value of --powerProfileChanged.

_osd_notify()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local methods="--brightnessChanged --keyboardBrightnessChanged --volumeChanged
        --microphoneVolumeChanged --mediaPlayerVolumeChanged --kbdLayoutChanged
        --virtualDesktopChanged --touchpadEnabledChanged --wifiEnabledChanged
        --bluetoothEnabledChanged --wwanEnabledChanged --virtualKeyboardEnabledChanged
        --showText --showTextWithFont --showTextWithFontNoBackground --showProgressBar
        --screenBrightnessChanged --powerProfileChanged --powerManagementInhibitedChanged --hide"
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "$methods" -- "$cur")
        return
    fi
    case ${COMP_WORDS[1]} in
    --touchpadEnabledChanged | --wifiEnabledChanged | --bluetoothEnabledChanged | \
        --wwanEnabledChanged | --virtualKeyboardEnabledChanged | --powerManagementInhibitedChanged)
        ((COMP_CWORD == 2)) && mapfile -t COMPREPLY < <(compgen -W "true false" -- "$cur")
        ;;
    --powerProfileChanged)
        ((COMP_CWORD == 2)) && mapfile -t COMPREPLY < <(compgen -W "power-saver balanced performance" -- "$cur")
        ;;
    --showTextWithFont | --showTextWithFontNoBackground)
        ((COMP_CWORD == 7)) && mapfile -t COMPREPLY < <(compgen -W "North Center NorthWest NorthEast West East SouthWest South SouthEast" -- "$cur")
        ;;
    esac
    return 0
}
complete -F _osd_notify osd-notify
