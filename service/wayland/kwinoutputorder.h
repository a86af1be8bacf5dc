// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "outputorder.h"

struct kde_output_order_v1;

/**
 * KWin's output order, asked for on Qt's own Wayland connection. It is known when the object
 * has been made; KWin sends the whole order again whenever it changes.
 */
class KWinOutputOrder : public OutputOrder
{
public:
    explicit KWinOutputOrder(QObject *parent);
    ~KWinOutputOrder() override;

private:
    kde_output_order_v1 *order = nullptr;
    /// The order KWin is sending, until it says it is complete.
    QStringList coming;
};
