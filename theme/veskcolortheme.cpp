// SPDX-License-Identifier: GPL-2.0-or-later
#include "veskcolortheme.h"

VeskColorTheme::VeskColorTheme()
    : m_criticalNotificationsColor(statCriticalNotificationsColor())
    , m_nonCriticalNotificationsColor(statNonCriticalNotificationsColor())
{
}

QString VeskColorTheme::criticalNotificationsColor() const
{
    return m_criticalNotificationsColor;
}

QString VeskColorTheme::nonCriticalNotificationsColor() const
{
    return m_nonCriticalNotificationsColor;
}

bool VeskColorTheme::blackTextTheme() const
{
    return m_blackTextTheme;
}

void VeskColorTheme::setBlackTextTheme(bool blackTextTheme)
{
    m_blackTextTheme = blackTextTheme;
}

bool VeskColorTheme::invertColorForTrayIcon() const
{
    return m_invertColorForTrayIcon;
}

void VeskColorTheme::setInvertColorForTrayIcon(bool invertColorForTrayIcon)
{
    m_invertColorForTrayIcon = invertColorForTrayIcon;
}

QString VeskColorTheme::backgroundColor() const
{
    return m_backgroundColor;
}

void VeskColorTheme::setBackgroundColor(const QString &backgroundColor)
{
    m_backgroundColor = backgroundColor;
}

QString VeskColorTheme::elementSelectionColor() const
{
    return m_elementSelectionColor;
}

void VeskColorTheme::setElementSelectionColor(const QString &elementSelectionColor)
{
    m_elementSelectionColor = elementSelectionColor;
}

QString VeskColorTheme::elementHoverColor() const
{
    return m_elementHoverColor;
}

void VeskColorTheme::setElementHoverColor(const QString &elementHoverColor)
{
    m_elementHoverColor = elementHoverColor;
}

QString VeskColorTheme::textColor() const
{
    return m_textColor;
}

void VeskColorTheme::setTextColor(const QString &textColor)
{
    m_textColor = textColor;
}

QString VeskColorTheme::textHoverColor() const
{
    return m_textHoverColor;
}

void VeskColorTheme::setTextHoverColor(const QString &textHoverColor)
{
    m_textHoverColor = textHoverColor;
}

QString VeskColorTheme::textNonInteractiveColor() const
{
    return m_textNonInteractiveColor;
}

void VeskColorTheme::setTextNonInteractiveColor(const QString &textNonInteractiveColor)
{
    m_textNonInteractiveColor = textNonInteractiveColor;
}

QString VeskColorTheme::textPlaceHolderColor() const
{
    return m_textPlaceHolderColor;
}

void VeskColorTheme::setTextPlaceHolderColor(const QString &textPlaceHolderColor)
{
    m_textPlaceHolderColor = textPlaceHolderColor;
}

QString VeskColorTheme::textDetailsColor() const
{
    return m_textDetailsColor;
}

void VeskColorTheme::setTextDetailsColor(const QString &textDetailsColor)
{
    m_textDetailsColor = textDetailsColor;
}

QString VeskColorTheme::separatorColor() const
{
    return m_separatorColor;
}

void VeskColorTheme::setSeparatorColor(const QString &separatorColor)
{
    m_separatorColor = separatorColor;
}

QString VeskColorTheme::buttonBorderColor() const
{
    return m_buttonBorderColor;
}

void VeskColorTheme::setButtonBorderColor(const QString &buttonBorderColor)
{
    m_buttonBorderColor = buttonBorderColor;
}

QString VeskColorTheme::buttonPressedColor() const
{
    return m_buttonPressedColor;
}

void VeskColorTheme::setButtonPressedColor(const QString &buttonPressedColor)
{
    m_buttonPressedColor = buttonPressedColor;
}

QString VeskColorTheme::statDefaultThemeBackgroundColor()
{
    return QStringLiteral("#4d7593");
}

QString VeskColorTheme::statOrvelBrightThemeBackgroundColor()
{
    return QStringLiteral("#f5f5f5");
}

QString VeskColorTheme::statOrvelDarkThemeBackgroundColor()
{
    return QStringLiteral("#2d2d2d");
}

QString VeskColorTheme::statRedLevelThemeBackgroundColor()
{
    return QStringLiteral("#880000");
}

QString VeskColorTheme::statDefaultThemeHighlightColor()
{
    return QStringLiteral("#8EACC2");
}

QString VeskColorTheme::statOrvelBrightThemeHighlightColor()
{
    return QStringLiteral("#dcdcdc");
}

QString VeskColorTheme::statOrvelDarkThemeHighlightColor()
{
    return QStringLiteral("#464646");
}

QString VeskColorTheme::statRedLevelThemeHighlightColor()
{
    return QStringLiteral("#b05555");
}

QString VeskColorTheme::statCriticalNotificationsColor()
{
    return QStringLiteral("#ee4d4d");
}

QString VeskColorTheme::statNonCriticalNotificationsColor()
{
    return QStringLiteral("#e9e9e9");
}
