// Web host of the terms page: the notice's address line (template 140, control
// 1044) and the address the notice opens both use it, so they cannot differ.
#pragma once

#ifndef TERMS_PAGE_HOST
#define TERMS_PAGE_HOST "www.marlowen.example"
#endif
