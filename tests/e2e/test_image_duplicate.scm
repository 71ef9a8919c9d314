; The duplicate service as scripts call it: "plug-in-qv-image-duplicate"
; registered as documented, and copies that keep every tattoo, the tattoo
; state and the file name. In this headless GIMP mode 0 cannot open a
; display; it still returns the copy, with its file name cleared.

(qv-test "plug-in-qv-image-duplicate is registered as documented"
         (lambda ()
           (qv-check-registration
            "plug-in-qv-image-duplicate" "Duplicates image!"
            (string-append "Duplicates image, sets all tattoos of drawables and paths to value of input image, "
                           "sets filename, so that the returned image is valid as the original!")
            (list (list PDB-INT32 "mode" "0=create with Display set filename=\"\" | 1=create Image only")
                  (list PDB-IMAGE "image" "Input image")
                  (list PDB-DRAWABLE "draw" "Drawable unused."))
            (list (list PDB-INT32 "image" "new duplicated image")))))

(qv-test "the menu entry is \"Duplicate /w Tattoos\" under <Image>/Image"
         (lambda ()
           (let ((def (qv-proc-def-lines (qv-read-lines (string-append gimp-directory "/pluginrc"))
                                         "plug_in_qv_image_duplicate")))
             (qv-check "plug_in_qv_image_duplicate in pluginrc" def)
             (if def
                 (begin
                   (qv-check-equal "label" "\"Duplicate /w Tattoos\"" (list-ref def 5))
                   (qv-check-equal "number of menu paths" "1" (list-ref def 6))
                   (qv-check-equal "menu path" "(menu-path \"<Image>/Image\")" (list-ref def 7)))))))

; ---- an image worth duplicating ----

(define (qv-ids r) (vector->list (cadr r)))
(define (qv-tattoo item) (car (gimp-item-get-tattoo item)))
(define (qv-name item) (car (gimp-item-get-name item)))
(define (qv-open-images) (qv-ids (gimp-image-list)))

; Paths as (name tattoo), sorted by name as the duplicate pairs them; layers
; (with the tattoo of their mask, or -1) and channels in order.
(define (qv-insert-sorted entry l)
  (cond ((null? l) (list entry))
        ((string<? (car entry) (caar l)) (cons entry l))
        (else (cons (car l) (qv-insert-sorted entry (cdr l))))))

(define (qv-tattoo-map image)
  (list (let loop ((ids (qv-ids (gimp-image-get-vectors image))) (out '()))
          (if (null? ids) out
              (loop (cdr ids) (qv-insert-sorted (list (qv-name (car ids)) (qv-tattoo (car ids))) out))))
        (map (lambda (layer)
               (let ((mask (car (gimp-layer-get-mask layer))))
                 (list (qv-name layer) (qv-tattoo layer) (if (> mask 0) (qv-tattoo mask) -1))))
             (qv-ids (gimp-image-get-layers image)))
        (map (lambda (channel) (list (qv-name channel) (qv-tattoo channel)))
             (qv-ids (gimp-image-get-channels image)))))

; Two layers (one with a mask), a channel and three paths, whose tattoos are
; then handed out anew from 30 downwards; tattoo state 57.
(define (qv-duplicate-source)
  (let* ((image (qv-new-image 40 30))
         (layer (car (gimp-layer-new image 40 30 RGBA-IMAGE "masked" 100 LAYER-MODE-NORMAL)))
         (channel (car (gimp-channel-new image 40 30 "selection copy" 50 '(255 0 0)))))
    (gimp-image-insert-layer image layer 0 0)
    (gimp-layer-add-mask layer (car (gimp-layer-create-mask layer ADD-MASK-WHITE)))
    (gimp-image-insert-channel image channel 0 0)
    (qv-add-path image "first" '(1 1 20 20))
    (qv-add-square image "[@] keyspline" 2 2 10)
    (qv-add-path image "third" '(5 5 30 25))
    (let loop ((items (append (qv-ids (gimp-image-get-vectors image))
                              (qv-ids (gimp-image-get-layers image))
                              (list (car (gimp-layer-get-mask layer)) channel)))
               (tattoo 30))
      (if (not (null? items))
          (begin (gimp-item-set-tattoo (car items) tattoo)
                 (loop (cdr items) (- tattoo 1)))))
    (gimp-image-set-tattoo-state image 57)
    image))

(define (qv-active-drawable image) (car (gimp-image-get-active-drawable image)))

(qv-test "mode 1: the copy keeps every tattoo, the tattoo state 57 and the file name"
         (lambda ()
           (let* ((image (qv-duplicate-source))
                  (file (string-append qv-tmp-dir "/duplicate-me.xcf")))
             (gimp-image-set-filename image file)
             (let* ((before (qv-tattoo-map image))
                    (copy (car (plug-in-qv-image-duplicate 1 image (qv-active-drawable image)))))
               (qv-check "a new image" (and (> copy 0) (not (= copy image))
                                            (= 1 (car (gimp-image-is-valid copy)))))
               (qv-check-equal "tattoos of the copy" before (qv-tattoo-map copy))
               (qv-check-equal "tattoos of the source" before (qv-tattoo-map image))
               (qv-check-equal "tattoo state of the source" 57 (car (gimp-image-get-tattoo-state image)))
               (qv-check-equal "tattoo state of the copy" 57 (car (gimp-image-get-tattoo-state copy)))
               (qv-check-equal "file name of the copy" file (car (gimp-image-get-filename copy)))
               (qv-check-equal "next tattoo"
                               (qv-tattoo (qv-add-path image "later" '(1 1 9 9)))
                               (qv-tattoo (qv-add-path copy "later" '(1 1 9 9))))
               (gimp-image-delete copy))
             (gimp-image-delete image))))

(qv-test "mode 0 without a display: the copy comes back with its file name cleared"
         (lambda ()
           (let ((image (qv-duplicate-source)))
             (gimp-image-set-filename image (string-append qv-tmp-dir "/shown.xcf"))
             (let ((copy (car (plug-in-qv-image-duplicate 0 image (qv-active-drawable image)))))
               (qv-check "a new image" (and (> copy 0) (= 1 (car (gimp-image-is-valid copy)))))
               (qv-check-equal "file name of the copy" "" (car (gimp-image-get-filename copy)))
               (qv-check-equal "tattoos of the copy" (qv-tattoo-map image) (qv-tattoo-map copy))
               (qv-check-equal "tattoo state of the copy" 57 (car (gimp-image-get-tattoo-state copy)))
               (gimp-image-delete copy))
             (gimp-image-delete image))))

(qv-test "wrong arguments fail without making or changing an image"
         (lambda ()
           (let* ((image (qv-duplicate-source))
                  (before (qv-tattoo-map image))
                  (images (qv-open-images))
                  (draw (qv-active-drawable image)))
             ; GIMP refuses an image id that is not open before the plug-in runs.
             (qv-check "an unknown image id fails"
                       (not (catch #f (plug-in-qv-image-duplicate 1 (+ 1000 (apply max images)) draw) #t)))
             (qv-check "an unknown mode fails"
                       (not (catch #f (plug-in-qv-image-duplicate 7 image draw) #t)))
             (qv-check-equal "open images" images (qv-open-images))
             (qv-check-equal "tattoos of the source" before (qv-tattoo-map image))
             (qv-check-equal "tattoo state of the source" 57 (car (gimp-image-get-tattoo-state image)))
             (gimp-image-delete image))))
