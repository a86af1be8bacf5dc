// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupsurface.h"
#include "waylandbackend.h"

#include <LayerShellQt/Window>

#include <QMargins>
#include <QPointer>
#include <QSize>

/**
 * A pop-up window on a Wayland compositor with layer-shell: a surface of the overlay layer on
 * the followed output, placed by anchors and margins, never given the keyboard, with an empty
 * input region so that clicks reach the window below.
 *
 * Whether the compositor offers layer-shell is found out here too, before Qt connects to it.
 */
class LayerShellPopupSurface : public PopupSurface
{
public:
    /// Under a Wayland platform, asks the compositor for layer-shell and chooses it for Qt's
    /// connection, or chooses XWayland where layer-shell is missing and an X display is there.
    /// Called before the application object exists.
    static void prepareApplication();
    /// The shell on Qt's connection; on a connection the compositor handed over, asked on it
    /// the first time.
    static WaylandBackEnd::Shell shell();

    explicit LayerShellPopupSurface(QWidget *window);

    void moveTo(const QPoint &position) override;
    bool isCompositing() const override;
    bool masksShape() const override;
    void shown() override;
    void hidden() override;

protected:
    QScreen *chosenScreen(OsdConfig::ScreenChoice choice) const override;
    void followedScreenChanged() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    LayerShellQt::Window *layerWindow();
    bool applyPlacement();
    void surfaceMade();
    void renewWhenIdle();
    void renew();
    void passInputThrough();

    QPointer<LayerShellQt::Window> layer;
    LayerShellQt::Window::Anchors anchors;
    QMargins margins;
    // What the surface shown now was made with, invalid while there is none: layer-shell-qt
    // sends the size and the output to the compositor only when it makes a surface.
    QSize surfaceSize;
    QPointer<QScreen> surfaceOutput;
    // The size the pop-up was last placed with, which a renewed surface is made for.
    QSize placedSize;
    bool renewalPending = false;
};
