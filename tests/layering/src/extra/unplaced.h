// Faulty on purpose: a folder that is no layer.
#pragma once
