// SPDX-License-Identifier: MIT
#include "ui/app.h"

int main(int argc, char **argv)
{
    return ui::run(argc, argv);
}
