// The logo across the top 49 rows of the picture, drawn over everything else.
#pragma once

void logo_draw();
