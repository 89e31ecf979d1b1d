#!/usr/bin/env python3
# zip_tree.py ZIP DIR EPOCH: DIR's tree into ZIP under DIR's own name, the same
# to the byte for the same files: entries in name order, each dated EPOCH (the
# last commit's), no owner, mode or extra fields of the machine that made it.
import os
import sys
import time
import zipfile

out, tree, epoch = sys.argv[1], sys.argv[2].rstrip("/"), int(sys.argv[3])
# A zip's dates are local DOS times from 1980 on; read as UTC, as unzip does by default here.
stamp = time.gmtime(max(epoch, 315532800))[:6]
base = os.path.dirname(tree)
names = []
for d, dirs, files in os.walk(tree):
    names.append(os.path.relpath(d, base) + "/")
    names += [os.path.relpath(os.path.join(d, f), base) for f in files]
with zipfile.ZipFile(out, "w") as z:
    for name in sorted(names):
        info = zipfile.ZipInfo(name, stamp)
        info.create_system = 0  # MS-DOS: no Unix modes or owners
        if name.endswith("/"):
            info.external_attr = 0x10  # a directory
            z.writestr(info, b"")
        else:
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(base, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
