# Sourced by the scripts: the Qt major version this system builds with, in osd_qt_major.
# Debian 13 and later ship no layer-shell-qt for Qt 5, so their build is the Qt 6 one; older
# releases and other systems keep Qt 5.
osd_qt_major=5
if [ -r /etc/os-release ]; then
    osd_os_id=$(. /etc/os-release && echo "${ID:-}")
    osd_os_version=$(. /etc/os-release && echo "${VERSION_ID:-}")
    osd_os_codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if [ "$osd_os_id" = debian ] && { [ "${osd_os_version%%.*}" -ge 13 ] 2>/dev/null || [ "$osd_os_codename" = trixie ] || [ "$osd_os_codename" = forky ]; }; then
        osd_qt_major=6
    fi
    unset osd_os_id osd_os_version osd_os_codename
fi
