// Umbrella of this area (filled as the area grows).
#pragma once
