"""Ciphertext format version 2 (signed), written from its description alone.

The outer layer is version 1's with the version byte 0x02; its content is

    offset    length  content
    0         32      signer's fingerprint: SHA-256 of its SubjectPublicKeyInfo DER
    32        2       s, the signature length, big-endian (256..2048)
    34        s       RSASSA-PSS (RFC 8017; SHA-256, MGF1 with SHA-256, salt 32)
    34 + s    n       the message

The signature covers b"Zelvora signed message, version 2\\x00", the
recipient's fingerprint, the signer's fingerprint and the message. Uses only
Python's cryptography package, so it shares no code with the component.
"""

import hashlib
import os

from cryptography.exceptions import InvalidSignature, InvalidTag
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding
from cryptography.hazmat.primitives.ciphers.aead import AESGCM

import format_v1
from format_v1 import FormatError

VERSION = 0x02
CONTEXT = b"Zelvora signed message, version 2\x00"
FINGERPRINT_BYTES = 32
MIN_SIGNATURE, MAX_SIGNATURE = 256, 2048


def _pss():
    return padding.PSS(mgf=padding.MGF1(hashes.SHA256()), salt_length=32)


def fingerprint(key):
    """Of a public or private key object: that of the public half."""
    if hasattr(key, "public_key"):
        key = key.public_key()
    der = key.public_bytes(serialization.Encoding.DER,
                           serialization.PublicFormat.SubjectPublicKeyInfo)
    return hashlib.sha256(der).digest()


def seal(public_der, content, version=VERSION):
    """The outer layer around any content."""
    key = format_v1.load_public_key(public_der)
    aes_key = os.urandom(format_v1.AES_KEY_BYTES)
    nonce = os.urandom(format_v1.NONCE_BYTES)
    header = bytes([version]) + key.encrypt(aes_key, format_v1._oaep())
    return header + nonce + AESGCM(aes_key).encrypt(nonce, content, header)


def open_content(private_der, ciphertext):
    """The content, after the tag has checked."""
    key = format_v1.load_private_key(private_der)
    k = (key.key_size + 7) // 8
    if not ciphertext:
        raise FormatError("empty")
    if ciphertext[0] != VERSION:
        raise FormatError("unknown version %d" % ciphertext[0])
    if len(ciphertext) < 1 + k + format_v1.NONCE_BYTES + format_v1.TAG_BYTES:
        raise FormatError("too short")
    header = ciphertext[: 1 + k]
    nonce = ciphertext[1 + k : 1 + k + format_v1.NONCE_BYTES]
    try:
        aes_key = key.decrypt(header[1:], format_v1._oaep())
        if len(aes_key) != format_v1.AES_KEY_BYTES:
            raise FormatError("unwrapped key has %d bytes" % len(aes_key))
        return AESGCM(aes_key).decrypt(nonce, ciphertext[1 + k + format_v1.NONCE_BYTES :], header)
    except (ValueError, InvalidTag) as error:
        raise FormatError("outer layer refused") from error


def inner(signer_der, recipient_public_der, message):
    """The signed content, as a writer makes it."""
    signer = format_v1.load_private_key(signer_der)
    recipient_print = fingerprint(format_v1.load_public_key(recipient_public_der))
    signer_print = fingerprint(signer)
    signature = signer.sign(CONTEXT + recipient_print + signer_print + message, _pss(),
                            hashes.SHA256())
    return signer_print + len(signature).to_bytes(2, "big") + signature + message


def encrypt(recipient_public_der, signer_der, message):
    return seal(recipient_public_der, inner(signer_der, recipient_public_der, message))


def decrypt(private_der, sender_public_der, ciphertext):
    """Returns (message, state, signer fingerprint); state is one of
    verified, no-sender-key, other-signer, bad-signature."""
    content = open_content(private_der, ciphertext)
    if len(content) < 34:
        raise FormatError("content too short")
    length = int.from_bytes(content[32:34], "big")
    if not MIN_SIGNATURE <= length <= MAX_SIGNATURE or len(content) - 34 < length:
        raise FormatError("signature length %d does not fit" % length)
    signer_print = content[:32]
    signature = content[34 : 34 + length]
    message = content[34 + length :]
    if sender_public_der is None:
        return message, "no-sender-key", signer_print
    sender = format_v1.load_public_key(sender_public_der)
    if fingerprint(sender) != signer_print:
        return message, "other-signer", signer_print
    own_print = fingerprint(format_v1.load_private_key(private_der))
    try:
        sender.verify(signature, CONTEXT + own_print + signer_print + message, _pss(),
                      hashes.SHA256())
    except (InvalidSignature, ValueError):
        return message, "bad-signature", signer_print
    return message, "verified", signer_print
