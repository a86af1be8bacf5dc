# SPDX-License-Identifier: GPL-2.0-or-later
# Sourced by scripts/package and scripts/test: how the Debian package's build is configured.
# The test builds are configured the same way, so that the package test (tests/install) packs
# from its own build what scripts/package packs.
package_options=(
    -DCMAKE_INSTALL_PREFIX=/usr
    # Debian's zsh looks for completions of packages in vendor-completions.
    -DKDE_INSTALL_ZSHAUTOCOMPLETEDIR=share/zsh/vendor-completions
)
