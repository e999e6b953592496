"""Ciphertext format version 3, written from its description alone.

    version 0x03 | count m (1..64) | m stanzas | header MAC (32) | salt (16) | chunks

A stanza is type (1) | length b (2, big-endian) | body (b). Type 0x01: RSA-OAEP
(SHA-256, MGF1 SHA-256, label "Zelvora v3 RSA-OAEP") of the 32-byte message
key; type 0x02: X25519 ephemeral public key (32) | AES key wrap (RFC 3394) of
the message key under HKDF(ephemeral || recipient, shared secret,
"Zelvora v3 X25519"); other types are passed over. The MAC is HMAC-SHA-256
under HKDF(empty, message key, "Zelvora v3 header") over everything before
it. The plaintext (preamble | message | trailer) is cut into 65,536-byte
chunks, each AES-256-GCM under HKDF(salt, message key, "Zelvora v3 payload")
with nonce = index (11 bytes) | last flag. Preambles: 0x00 unsigned;
0x01 | fingerprint | s (2) with an s-byte RSA-PSS trailer; 0x02 | fingerprint
with a 64-byte Ed25519 trailer. The signature covers "Zelvora signed
message, version 3" 0x00 | SHA-256(header) | fingerprint | SHA-256(message).

Uses python3-cryptography, and python3-nacl for the Ed25519 to X25519
conversion, so it shares no code with the component it checks. Streaming is
left out: the whole ciphertext is in memory, but every limit is kept.
"""

import functools
import hashlib
import hmac
import os

import nacl.bindings
from cryptography.exceptions import InvalidSignature, InvalidTag
from cryptography.hazmat.primitives import hashes, keywrap, serialization
from cryptography.hazmat.primitives.asymmetric import ed25519, padding, rsa, x25519
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.kdf.hkdf import HKDF

from format_v1 import FormatError
from format_v2 import fingerprint

VERSION = 0x03
TYPE_RSA, TYPE_X25519 = 0x01, 0x02
MAX_STANZAS = 64
X25519_BODY = 72
MIN_MODULUS, MAX_MODULUS = 256, 2048
KEY_BYTES, MAC_BYTES, SALT_BYTES, TAG_BYTES = 32, 32, 16, 16
CHUNK = 65536
SEALED_CHUNK = CHUNK + TAG_BYTES
MAX_CHUNKS = 1 << 32
OAEP_LABEL = b"Zelvora v3 RSA-OAEP"
HEADER_INFO = b"Zelvora v3 header"
PAYLOAD_INFO = b"Zelvora v3 payload"
X25519_INFO = b"Zelvora v3 X25519"
CONTEXT = b"Zelvora signed message, version 3\x00"
UNSIGNED, SIGNED_RSA, SIGNED_ED25519 = 0x00, 0x01, 0x02
ED25519_SIGNATURE = 64


def hkdf(salt, key, info):
    return HKDF(algorithm=hashes.SHA256(), length=32, salt=salt, info=info).derive(key)


def _oaep():
    return padding.OAEP(mgf=padding.MGF1(hashes.SHA256()), algorithm=hashes.SHA256(),
                        label=OAEP_LABEL)


def _pss():
    return padding.PSS(mgf=padding.MGF1(hashes.SHA256()), salt_length=32)


def _modulus_bytes(key):
    return (key.key_size + 7) // 8


@functools.lru_cache(maxsize=None)
def load_public_key(der):
    key = serialization.load_der_public_key(der)
    if not isinstance(key, (rsa.RSAPublicKey, ed25519.Ed25519PublicKey)):
        raise ValueError("neither an RSA nor an Ed25519 public key")
    return key


@functools.lru_cache(maxsize=None)
def load_private_key(der):
    key = serialization.load_der_private_key(der, password=None)
    if not isinstance(key, (rsa.RSAPrivateKey, ed25519.Ed25519PrivateKey)):
        raise ValueError("neither an RSA nor an Ed25519 private key")
    return key


def _raw(key):
    if isinstance(key, (ed25519.Ed25519PrivateKey, x25519.X25519PrivateKey)):
        return key.private_bytes(serialization.Encoding.Raw, serialization.PrivateFormat.Raw,
                                 serialization.NoEncryption())
    return key.public_bytes(serialization.Encoding.Raw, serialization.PublicFormat.Raw)


def x25519_public(ed_public):
    """The X25519 form (RFC 7748 birational map) of an Ed25519 public key."""
    return nacl.bindings.crypto_sign_ed25519_pk_to_curve25519(_raw(ed_public))


def x25519_private(ed_private):
    """The X25519 scalar of an Ed25519 private key (RFC 8032 5.1.5)."""
    secret = _raw(ed_private) + _raw(ed_private.public_key())
    return x25519.X25519PrivateKey.from_private_bytes(
        nacl.bindings.crypto_sign_ed25519_sk_to_curve25519(secret))


def _x25519_wrapping_key(own_private, other_public_raw, ephemeral_raw, recipient_raw):
    shared = own_private.exchange(x25519.X25519PublicKey.from_public_bytes(other_public_raw))
    if shared == bytes(32):
        raise FormatError("all-zero X25519 shared secret")
    return hkdf(ephemeral_raw + recipient_raw, shared, X25519_INFO)


def _stanza(kind, body):
    return bytes([kind]) + len(body).to_bytes(2, "big") + body


def x25519_body(recipient_der, message_key, ephemeral=None):
    """Ephemeral public key and wrapped message key for an Ed25519 recipient;
    ephemeral is a raw X25519 private key, fresh when None."""
    ephemeral = (x25519.X25519PrivateKey.from_private_bytes(ephemeral) if ephemeral
                 else x25519.X25519PrivateKey.generate())
    ephemeral_raw = _raw(ephemeral.public_key())
    recipient_raw = x25519_public(load_public_key(recipient_der))
    wrapping = _x25519_wrapping_key(ephemeral, recipient_raw, ephemeral_raw, recipient_raw)
    return ephemeral_raw + keywrap.aes_key_wrap(wrapping, message_key)


def header_of(stanzas, message_key):
    """Version, count, the given (type, body) stanzas and the MAC."""
    head = bytes([VERSION, len(stanzas)]) + b"".join(_stanza(*s) for s in stanzas)
    return head + hmac.new(hkdf(b"", message_key, HEADER_INFO), head, "sha256").digest()


def make_header(recipients, message_key, ephemerals=()):
    """The header for these recipients. A recipient is a public key's DER or,
    for a stanza no reader knows, a (type, body) pair written as given.
    Ephemeral X25519 private keys (raw, 32 bytes) are used in order, fresh
    ones where they run out."""
    if not 1 <= len(recipients) <= MAX_STANZAS:
        raise ValueError("1 to %d recipients" % MAX_STANZAS)
    ephemerals, stanzas = list(ephemerals), []
    for recipient in recipients:
        if isinstance(recipient, tuple):
            stanzas.append(recipient)
        elif isinstance(load_public_key(recipient), rsa.RSAPublicKey):
            stanzas.append((TYPE_RSA, load_public_key(recipient).encrypt(message_key, _oaep())))
        else:
            stanzas.append((TYPE_X25519, x25519_body(
                recipient, message_key, ephemerals.pop(0) if ephemerals else None)))
    return header_of(stanzas, message_key)


def _statement(header, signer_print, message):
    return (CONTEXT + hashlib.sha256(header).digest() + signer_print
            + hashlib.sha256(message).digest())


def make_plaintext(header, message, signer_der=None):
    """Preamble, message and trailer."""
    if signer_der is None:
        return bytes([UNSIGNED]) + message
    signer = load_private_key(signer_der)
    signer_print = fingerprint(signer)
    statement = _statement(header, signer_print, message)
    if isinstance(signer, rsa.RSAPrivateKey):
        signature = signer.sign(statement, _pss(), hashes.SHA256())
        return (bytes([SIGNED_RSA]) + signer_print + len(signature).to_bytes(2, "big")
                + message + signature)
    return bytes([SIGNED_ED25519]) + signer_print + message + signer.sign(statement)


def _nonce(index, last):
    return index.to_bytes(11, "big") + bytes([1 if last else 0])


def seal_payload(message_key, salt, plaintext):
    """The salt and the sealed chunks."""
    aead = AESGCM(hkdf(salt, message_key, PAYLOAD_INFO))
    count = max(1, -(-len(plaintext) // CHUNK))
    if count > MAX_CHUNKS:
        raise ValueError("more than 2^32 chunks")
    return salt + b"".join(
        aead.encrypt(_nonce(i, i == count - 1), plaintext[i * CHUNK:(i + 1) * CHUNK], None)
        for i in range(count))


def open_payload(message_key, salt, payload):
    """The plaintext; refuses a cut, extended, reordered or changed payload."""
    aead = AESGCM(hkdf(salt, message_key, PAYLOAD_INFO))
    plaintext, at, index = [], 0, 0
    while True:
        rest = len(payload) - at
        if rest < TAG_BYTES + 1:
            raise FormatError("final piece of %d bytes" % rest)
        if index >= MAX_CHUNKS:
            raise FormatError("more than 2^32 chunks")
        last = rest <= SEALED_CHUNK
        size = rest if last else SEALED_CHUNK
        try:
            plaintext.append(aead.decrypt(_nonce(index, last), payload[at:at + size], None))
        except InvalidTag as error:
            raise FormatError("chunk %d fails its tag" % index) from error
        if last:
            return b"".join(plaintext)
        at, index = at + size, index + 1


def seal(message, recipients, signer_der=None, message_key=None, payload_salt=None,
         ephemerals=()):
    """A version-3 ciphertext; the randomness can be given for fixed vectors."""
    message_key = message_key or os.urandom(KEY_BYTES)
    header = make_header(recipients, message_key, ephemerals)
    plaintext = make_plaintext(header, message, signer_der)
    return header + seal_payload(message_key, payload_salt or os.urandom(SALT_BYTES), plaintext)


def parse_header(ciphertext):
    """[(offset, type, body)] for every stanza, and the MAC's offset."""
    if len(ciphertext) < 2 or ciphertext[0] != VERSION:
        raise FormatError("not version 3")
    count = ciphertext[1]
    if not 1 <= count <= MAX_STANZAS:
        raise FormatError("count %d" % count)
    stanzas, at = [], 2
    for _ in range(count):
        if len(ciphertext) < at + 3:
            raise FormatError("stanza cut")
        kind, size = ciphertext[at], int.from_bytes(ciphertext[at + 1:at + 3], "big")
        if len(ciphertext) < at + 3 + size:
            raise FormatError("stanza body cut")
        if (kind == TYPE_RSA and not MIN_MODULUS <= size <= MAX_MODULUS
                or kind == TYPE_X25519 and size != X25519_BODY):
            raise FormatError("stanza of type %d with %d bytes" % (kind, size))
        stanzas.append((at, kind, ciphertext[at + 3:at + 3 + size]))
        at += 3 + size
    if len(ciphertext) < at + MAC_BYTES + SALT_BYTES:
        raise FormatError("header cut")
    return stanzas, at


def _unwrap(stanzas, identity):
    """The first candidate message key among the stanzas of the identity's kind."""
    if isinstance(identity, rsa.RSAPrivateKey):
        k = _modulus_bytes(identity)
        for _, kind, body in stanzas:
            if kind == TYPE_RSA and len(body) == k:
                try:
                    key = identity.decrypt(body, _oaep())
                except ValueError:
                    continue
                if len(key) == KEY_BYTES:
                    return key
        return None
    own = x25519_private(identity)
    own_raw = _raw(own.public_key())
    for _, kind, body in stanzas:
        if kind == TYPE_X25519:
            try:
                wrapping = _x25519_wrapping_key(own, body[:32], body[:32], own_raw)
                return keywrap.aes_key_unwrap(wrapping, body[32:])
            except (FormatError, ValueError, keywrap.InvalidUnwrap):
                continue
    return None


def _split(plaintext):
    """(kind, signer fingerprint, message, signature, RSA length field)."""
    kind = plaintext[0]
    if kind == UNSIGNED:
        return kind, None, plaintext[1:], b"", None
    if kind == SIGNED_RSA:
        if len(plaintext) < 35:
            raise FormatError("preamble cut")
        s = int.from_bytes(plaintext[33:35], "big")
        if not MIN_MODULUS <= s <= MAX_MODULUS:
            raise FormatError("signature length %d" % s)
        preamble, trailer = 35, s
    elif kind == SIGNED_ED25519:
        s, preamble, trailer = None, 33, ED25519_SIGNATURE
    else:
        raise FormatError("preamble byte %d" % kind)
    if len(plaintext) < preamble + trailer:
        raise FormatError("plaintext shorter than preamble and trailer")
    end = len(plaintext) - trailer
    return kind, plaintext[1:33], plaintext[preamble:end], plaintext[end:], s


def open_with_key(ciphertext, identity_der, sender_der=None):
    """(message, state, signer fingerprint or None, message key); the state is
    unsigned, no-sender-key, other-signer, bad-signature or verified. Every
    refusal is one FormatError."""
    identity = load_private_key(identity_der)
    stanzas, mac_at = parse_header(ciphertext)
    message_key = _unwrap(stanzas, identity)
    if message_key is None:
        raise FormatError("no stanza unwraps")
    header = ciphertext[:mac_at + MAC_BYTES]
    expected = hmac.new(hkdf(b"", message_key, HEADER_INFO), ciphertext[:mac_at], "sha256")
    if not hmac.compare_digest(expected.digest(), ciphertext[mac_at:mac_at + MAC_BYTES]):
        raise FormatError("header MAC differs")
    salt_at = mac_at + MAC_BYTES
    plaintext = open_payload(message_key, ciphertext[salt_at:salt_at + SALT_BYTES],
                             ciphertext[salt_at + SALT_BYTES:])
    kind, signer_print, message, signature, s = _split(plaintext)
    if kind == UNSIGNED:
        return message, "unsigned", None, message_key
    if sender_der is None:
        return message, "no-sender-key", signer_print, message_key
    sender = load_public_key(sender_der)
    if fingerprint(sender) != signer_print:
        return message, "other-signer", signer_print, message_key
    statement = _statement(header, signer_print, message)
    try:
        if kind == SIGNED_RSA and isinstance(sender, rsa.RSAPublicKey):
            if s != _modulus_bytes(sender):
                raise InvalidSignature()
            sender.verify(signature, statement, _pss(), hashes.SHA256())
        elif kind == SIGNED_ED25519 and isinstance(sender, ed25519.Ed25519PublicKey):
            sender.verify(signature, statement)
        else:
            raise InvalidSignature()
    except InvalidSignature:
        return message, "bad-signature", signer_print, message_key
    return message, "verified", signer_print, message_key


def decrypt(identity_der, sender_der, ciphertext):
    """(message, state, signer fingerprint or None), as format_v2.decrypt."""
    return open_with_key(ciphertext, identity_der, sender_der)[:3]
