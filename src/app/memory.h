#pragma once

// Keeps freed heap memory for the next scene and, with `huge_pages`, lets
// the kernel back the main heap with 2 MiB pages where it can. Loading a
// large scene and preparing it for the window write a couple of hundred
// megabytes of fresh arrays; with 4 KiB pages the page faults cost about a
// quarter of that work. A one-shot snapshot writes less, once: there 2 MiB
// pages gain little on average and make its time depend on how fast the
// kernel finds and clears fresh 2 MiB blocks, so it runs without them.
// Call first in main().
void prefer_large_heap_pages(bool huge_pages = true);
