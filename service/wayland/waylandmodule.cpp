// SPDX-License-Identifier: GPL-2.0-or-later
#include "kwinlockkeys.h"
#include "kwinoutputorder.h"
#include "layershellpopupsurface.h"

namespace
{
class LayerShellBackEnd : public WaylandBackEnd
{
public:
    void prepareApplication() override
    {
        LayerShellPopupSurface::prepareApplication();
    }
    Shell shell() override
    {
        return LayerShellPopupSurface::shell();
    }
    PopupSurface *createSurface(QWidget *window) override
    {
        return new LayerShellPopupSurface(window);
    }
    OutputOrder *createOutputOrder(QObject *parent) override
    {
        return new KWinOutputOrder(parent);
    }
    std::unique_ptr<WaylandLockKeys> createLockKeys(std::function<void(LockKeys)> changed) override
    {
        return std::make_unique<KWinLockKeys>(std::move(changed));
    }
};
}

extern "C" Q_DECL_EXPORT WaylandBackEnd *osd_wayland_back_end()
{
    static LayerShellBackEnd backEnd;
    return &backEnd;
}
