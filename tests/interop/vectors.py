"""Reads the known-answer vectors in tests/vectors/ (format in its README.md)
and applies the mutation table's operations."""

import os
import re

import format_v1
import format_v2
import format_v3

FOLDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "vectors")


def read_fields(path):
    """{key: [values in order]}."""
    fields = {}
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                key, value = line.split(":", 1)
                fields.setdefault(key, []).append(value.strip(" \t"))
    return fields


def read_keys(folder=FOLDER):
    """{name: {"private": DER, "public": DER, "fingerprint": bytes}}."""
    keys = {}
    for key, values in read_fields(os.path.join(folder, "keys.txt")).items():
        name, part = key.rsplit(".", 1)
        keys.setdefault(name, {})[part] = bytes.fromhex(values[0])
    return keys


def message_of(fields):
    if "message-repeat" in fields:
        unit, count = fields["message-repeat"][0].split()
        unit = bytes.fromhex(unit)
        return (unit * (int(count) // len(unit) + 1))[: int(count)]
    return bytes.fromhex(fields["message"][0])


def read_vectors(folder=FOLDER):
    """{name: fields}, with the ciphertext joined and the message made."""
    vectors = {}
    for file in sorted(os.listdir(folder)):
        if file.endswith(".vec"):
            fields = read_fields(os.path.join(folder, file))
            fields["ciphertext"] = bytes.fromhex("".join(fields["ciphertext"]))
            fields["message"] = message_of(fields)
            vectors[file[:-4]] = fields
    return vectors


def read_mutations(folder=FOLDER):
    """[(vector, name, [operation fields], result fields)]."""
    rows = []
    with open(os.path.join(folder, "mutations.txt")) as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                vector, name, operations, result = (c.strip() for c in line.split("|"))
                rows.append((vector, name, [o.split() for o in operations.split(";")],
                             result.split()))
    return rows


def symbols(ciphertext, modulus_bytes):
    """The README's symbolic offsets for this (unchanged) ciphertext."""
    table = {"end": len(ciphertext)}
    if ciphertext[0] in (1, 2):
        k = modulus_bytes
        table.update(nonce=1 + k, content=13 + k, tag=len(ciphertext) - 16)
        return table
    stanzas, mac = format_v3.parse_header(ciphertext)
    for i, (at, _, _) in enumerate(stanzas):
        table["stanza%d" % i], table["body%d" % i] = at, at + 3
    table.update(mac=mac, salt=mac + 32, payload=mac + 48, taglast=len(ciphertext) - 16)
    at, i = mac + 48, 0
    while True:
        size = min(format_v3.SEALED_CHUNK, len(ciphertext) - at)
        table["chunk%d" % i], table["tag%d" % i] = at, at + size - 16
        if at + size == len(ciphertext):
            table["chunklast"] = at
            return table
        at, i = at + size, i + 1


def evaluate(expression, table):
    total = 0
    for sign, term in re.findall(r"([+-]?)([a-z0-9]+)", expression):
        value = int(term) if term.isdigit() else table[term]
        total += -value if sign == "-" else value
    return total


def mutate(ciphertext, operations, table):
    data = bytearray(ciphertext)
    for op, *args in operations:
        if op in ("set", "insert"):
            at, new = evaluate(args[0], table), bytes.fromhex(args[1])
        else:
            n = [evaluate(a, table) for a in args]
        if op == "flip":
            data[n[0]] ^= 0x01
        elif op == "set":
            assert at + len(new) <= len(data), "set outside the ciphertext"
            data[at : at + len(new)] = new
        elif op == "truncate":
            assert n[0] <= len(data)
            del data[n[0] :]
        elif op == "remove":
            assert n[0] + n[1] <= len(data)
            del data[n[0] : n[0] + n[1]]
        elif op == "insert":
            assert at <= len(data)
            data[at:at] = new
        elif op == "swap":
            a, b, size = n
            assert a + size <= b and b + size <= len(data)
            data[a : a + size], data[b : b + size] = data[b : b + size], data[a : a + size]
        else:
            raise ValueError("unknown operation " + op)
    return bytes(data)


def read(ciphertext, keys, reader, sender):
    """The result as an expect line says it: [state, fingerprint] or ["refused"].
    The first byte picks the format, as in the component."""
    private = keys[reader]["private"]
    public = keys[sender]["public"] if sender != "-" else None
    version = ciphertext[0] if ciphertext else None
    if version not in (1, 2, 3) or version < 3 and not reader.startswith("rsa"):
        return ["refused"], None  # versions 1 and 2 are for RSA keys only
    try:
        if version == 1:
            return ["unsigned"], format_v1.decrypt(private, ciphertext)
        module = format_v2 if version == 2 else format_v3
        message, state, signer = module.decrypt(private, public, ciphertext)
    except format_v1.FormatError:
        return ["refused"], None
    return [state] + ([signer.hex().upper()] if signer else []), message
